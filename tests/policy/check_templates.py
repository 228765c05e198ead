#!/usr/bin/env python3
"""Checks the administrative templates in policy/ and writes each policy's registry effect.

    check_templates.py POLICY_DIR EFFECTS_FILE

The ADMX and every language's ADML must be well formed and keep the structure of the
policy definition schema (namespace, element order, required attributes, each element's
attributes by name and by the pattern of their type), no ADML older than the ADMX's
minRequiredRevision, every policy's explanation with a paragraph on each of Enabled,
Disabled and Not Configured in every language, every string,
presentation, category and supportedOn they refer to must be defined, every ADML string
used, and every language must define the same strings and presentations. Then the
registry effect of every policy, enabled with a sample value and disabled (a boolean's
falseValue written, every other element's value deleted), as the Group Policy editor
writes it, goes to EFFECTS_FILE (UTF-8, one value a line, tab-separated:
state, policy, key, value name, REG_DWORD | REG_SZ | DELETE, value), which the policy
tests apply to a Wine prefix and compare with the program's own list of the values it
reads. Exits 1 with every finding listed.
"""
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

NS = "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"
TEMPLATE = "LumarelPrinter"
# The languages the program ships; the template has the texts of each.
LANGUAGES = {"en-US", "de-DE", "ja-JP", "fr-FR", "es-ES", "it-IT", "pt-BR", "pl-PL", "ru-RU", "zh-CN", "ko-KR",
             "ar-SA"}
# The schema's names (itemName, resourceID): letters, digits and "_" of any script, no dot.
NAME = r"\w+"
REF = re.compile(rf"\$\((string|presentation)\.({NAME})\)")
# The schema's simple types of the attributes used below, as whole-value patterns.
TYPES = {
    "string": r"(?s).*",
    "name": NAME,
    "reference": rf"{NAME}(:{NAME})?",
    "stringRef": rf"\$\(string\.{NAME}\)",
    "presentationRef": rf"\$\(presentation\.{NAME}\)",
    "version": r"[0-9]{1,4}\.[0-9]{1,5}",
    "boolean": r"true|false|1|0",
    "unsignedInt": r"[0-9]+",
    "guid": r"\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\}",
    "class": r"User|Machine|Both",
    "language": r"[A-Za-z]{1,8}(-[A-Za-z0-9]{1,8})*",
}
_ELEMENT = {"id": "string", "clientExtension": "guid", "key": "string", "valueName": "string"}
_LIMITS = {"required": "boolean", "soft": "boolean"}
_DESCRIBED = {"displayName": "stringRef", "explainText": "stringRef"}
# The attributes the schema allows on each element, by (parent, element) where the name
# alone is ambiguous, else by element; an element found in neither is no schema element.
ATTRIBUTES = {
    "policyDefinitions": {"revision": "version", "schemaVersion": "version"},
    "policyDefinitionResources": {"revision": "version", "schemaVersion": "version"},
    ("policyDefinitions", "resources"): {"minRequiredRevision": "version", "fallbackCulture": "language"},
    ("policyDefinitions", "supportedOn"): {},
    ("policy", "supportedOn"): {"ref": "reference"},
    "target": {"prefix": "name", "namespace": "string"}, "using": {"prefix": "name", "namespace": "string"},
    "supersededAdm": {"fileName": "string"}, "annotation": {"application": "string"},
    "product": {"name": "name", "displayName": "stringRef"},
    "majorVersion": {"name": "name", "displayName": "stringRef", "versionIndex": "unsignedInt"},
    "minorVersion": {"name": "name", "displayName": "stringRef", "versionIndex": "unsignedInt"},
    "definition": {"name": "name", "displayName": "stringRef"},
    "range": {"ref": "reference", "minVersionIndex": "unsignedInt", "maxVersionIndex": "unsignedInt"},
    "reference": {"ref": "reference"}, "parentCategory": {"ref": "reference"},
    "category": {"name": "name", **_DESCRIBED},
    "policy": {"name": "name", "class": "class", **_DESCRIBED, "presentation": "presentationRef",
               "key": "string", "valueName": "string"},
    **{name: {"defaultKey": "string"} for name in ("enabledList", "disabledList", "trueList", "falseList",
                                                    "valueList")},
    ("enum", "item"): {"displayName": "stringRef"},
    "item": {"key": "string", "valueName": "string"},
    "decimal": {"value": "unsignedInt"},
    "boolean": _ELEMENT,
    ("elements", "decimal"): {**_ELEMENT, **_LIMITS, "minValue": "unsignedInt", "maxValue": "unsignedInt",
                              "storeAsText": "boolean"},
    ("elements", "text"): {**_ELEMENT, **_LIMITS, "maxLength": "unsignedInt", "expandable": "boolean"},
    "enum": {**_ELEMENT, "required": "boolean"},
    "list": {"id": "string", "clientExtension": "guid", "key": "string", "valuePrefix": "string",
             "additive": "boolean", "expandable": "boolean", "explicitValue": "boolean"},
    "multiText": {**_ELEMENT, **_LIMITS, "maxLength": "unsignedInt", "maxStrings": "unsignedInt"},
    "string": {}, ("stringTable", "string"): {"id": "name"}, "presentation": {"id": "name"},
    "decimalTextBox": {"refId": "string", "defaultValue": "unsignedInt", "spin": "boolean",
                       "spinStep": "unsignedInt"},
    "textBox": {"refId": "string"}, "comboBox": {"refId": "string", "noSort": "boolean"},
    "multiTextBox": {"refId": "string", "showAsDialog": "boolean", "defaultHeight": "unsignedInt"},
    "checkBox": {"refId": "string", "defaultChecked": "boolean"},
    "dropdownList": {"refId": "string", "noSort": "boolean", "defaultItem": "unsignedInt"},
    "listBox": {"refId": "string"},
    **{name: {} for name in ("policyNamespaces", "products", "definitions", "or", "and", "categories",
                             "seeAlso", "keywords", "policies", "enabledValue", "disabledValue", "trueValue",
                             "falseValue", "value", "delete", "elements", "displayName", "description",
                             "resources", "stringTable", "presentationTable", "text", "label", "defaultValue",
                             "default", "suggestion")},
}
XSI = "{http://www.w3.org/2001/XMLSchema-instance}"
# A sample text that is no installation's path, with letters outside ASCII.
SAMPLE_TEXT = "C:\\Richtlinien-Prüfung\\{}"
SAMPLE_DECIMAL = 1234
# How each language's explanations begin the paragraphs on Enabled, Disabled and Not Configured.
STATE_PHRASES = {
    "en-US": ("If you enable this policy setting", "If you disable this policy setting",
              "If you do not configure this policy setting"),
    "de-DE": ("Wenn Sie diese Richtlinieneinstellung aktivieren", "Wenn Sie diese Richtlinieneinstellung deaktivieren",
              "Wenn Sie diese Richtlinieneinstellung nicht konfigurieren"),
    "ja-JP": ("このポリシー設定を有効に", "このポリシー設定を無効に", "このポリシー設定を構成しなかった"),
    "fr-FR": ("Si vous activez ce paramètre de stratégie", "Si vous désactivez ce paramètre de stratégie",
              "Si vous ne configurez pas ce paramètre de stratégie"),
    "es-ES": ("Si habilita esta configuración de directiva", "Si deshabilita esta configuración de directiva",
              "Si no establece esta configuración de directiva"),
    "it-IT": ("Se si abilita questa impostazione dei criteri", "Se si disabilita questa impostazione dei criteri",
              "Se non si configura questa impostazione dei criteri"),
    "pt-BR": ("Se você habilitar esta configuração de política", "Se você desabilitar esta configuração de política",
              "Se você não definir esta configuração de política"),
    "pl-PL": ("Jeśli to ustawienie zasad zostanie włączone", "Jeśli to ustawienie zasad zostanie wyłączone",
              "Jeśli to ustawienie zasad nie zostanie skonfigurowane"),
    "ru-RU": ("Если этот параметр политики включен", "Если этот параметр политики отключен",
              "Если этот параметр политики не настроен"),
    "zh-CN": ("如果启用此策略设置", "如果禁用此策略设置", "如果未配置此策略设置"),
    "ko-KR": ("이 정책 설정을 사용하면", "이 정책 설정을 사용하지 않으면", "이 정책 설정을 구성하지 않으면"),
    "ar-SA": ("إذا قمت بتمكين إعداد النهج هذا", "إذا قمت بتعطيل إعداد النهج هذا", "إذا لم تقم بتكوين إعداد النهج هذا"),
}

findings = []


def fail(where, message):
    findings.append(f"{where}: {message}")


def tag(element):
    return element.tag[len(NS) + 2:] if element.tag.startswith("{" + NS + "}") else element.tag


def children(element, name=None):
    return [child for child in element if name is None or tag(child) == name]


def child(element, name):
    found = children(element, name)
    return found[0] if found else None


def check_order(where, element, sequence):
    """Children in the schema's order; `sequence` lists (name, min, max) with max None for unbounded."""
    names = [tag(c) for c in element]
    position = 0
    for name, low, high in sequence:
        count = 0
        while position < len(names) and names[position] == name:
            position += 1
            count += 1
        if count < low or (high is not None and count > high):
            fail(where, f"<{name}> {count} times, the schema allows {low} to {high or 'any'}")
    if position < len(names):
        fail(where, f"<{names[position]}> is not allowed here (or out of order)")


def required(where, element, *names):
    for name in names:
        if not element.get(name):
            fail(where, f"attribute {name} missing")


def check_attributes(where, element, parent=None):
    """Every attribute of the tree by its name and type, as the schema has it for that element."""
    allowed = ATTRIBUTES.get((parent, tag(element)), ATTRIBUTES.get(tag(element)))
    if allowed is None:
        fail(where, f"<{tag(element)}> in <{parent}> is no element of the schema")
        allowed = {}
    for name, text in element.attrib.items():
        if name.startswith(XSI):
            continue
        kind = allowed.get(name)
        if kind is None:
            fail(where, f"<{tag(element)}> has no attribute {name}")
        elif not re.fullmatch(TYPES[kind], text) or (kind == "unsignedInt" and int(text) > 0xFFFFFFFF):
            fail(where, f"<{tag(element)} {name}=\"{text}\"> is no {kind} as the schema has it")
    if tag(element) != "annotation":  # any content, which the schema does not check
        for kid in element:
            check_attributes(where, kid, tag(element))


def version(text):
    return tuple(int(part) for part in text.split(".")) if re.fullmatch(TYPES["version"], text or "") else None


def parse(path, where):
    try:
        root = ET.parse(path).getroot()
    except (ET.ParseError, OSError) as error:
        fail(where, f"not well-formed XML: {error}")
        return None
    if not root.tag.startswith("{" + NS + "}"):
        fail(where, f"root element not in the namespace {NS}")
    check_attributes(where, root)
    return root


def reference(where, text, kind, used):
    match = REF.fullmatch(text or "")
    if not match or match.group(1) != kind:
        fail(where, f"'{text}' is no $({kind}.id) reference")
        return None
    used.add(match.group(2))
    return match.group(2)


def value_effect(where, value):
    """(type, data) of a <value>-like element: decimal, string or delete."""
    kids = list(value)
    if len(kids) != 1:
        fail(where, "a value holds exactly one of decimal, longDecimal, string, delete")
        return None
    kind = tag(kids[0])
    if kind == "decimal":
        number = int(kids[0].get("value", "-1"))
        if not 0 <= number <= 0xFFFFFFFF:
            fail(where, "decimal value outside unsignedInt")
        return ("REG_DWORD", str(number))
    if kind == "string":
        text = kids[0].text or ""
        if len(text) > 255:
            fail(where, "string value longer than 255 characters")
        return ("REG_SZ", text)
    if kind == "delete":
        return ("DELETE", "")
    fail(where, f"value <{kind}> is not used by this product")
    return None


def list_effects(where, value_list, key):
    effects = []
    default_key = value_list.get("defaultKey", key)
    for item in children(value_list, "item"):
        required(where, item, "valueName")
        effect = value_effect(where, child(item, "value"))
        if effect:
            effects.append((item.get("key", default_key), item.get("valueName"), *effect))
    return effects


ELEMENT_CONTROLS = {"text": {"textBox", "comboBox"}, "decimal": {"decimalTextBox"}, "enum": {"dropdownList"},
                    "boolean": {"checkBox"}}


def element_effects(where, element, key, enabled):
    """What one element of an enabled policy writes (a sample value), or of a disabled one: the editor
    writes a boolean's falseValue where it has one, and deletes every other element's value."""
    kind = tag(element)
    required(where, element, "id", "valueName")
    key = element.get("key", key)
    name = element.get("valueName")
    if kind not in ELEMENT_CONTROLS:
        fail(where, f"element <{kind}> is not used by this product")
        return []
    if kind == "boolean" and (child(element, "trueList") is not None or child(element, "falseList") is not None):
        fail(where, "a boolean's trueList or falseList is not used by this product")
    false_value = child(element, "falseValue") if kind == "boolean" else None
    if not enabled:
        effect = value_effect(where, false_value) if false_value is not None else ("DELETE", "")
        return [(key, name, *effect)] if effect else []
    if kind == "text":
        text = SAMPLE_TEXT.format(element.get("id"))
        if len(text) > int(element.get("maxLength", "1023")):
            fail(where, "the sample is longer than maxLength")
        return [(key, name, "REG_EXPAND_SZ" if element.get("expandable") == "true" else "REG_SZ", text)]
    if kind == "decimal":
        low, high = int(element.get("minValue", "0")), int(element.get("maxValue", "9999"))
        if low > high or high > 0xFFFFFFFF:
            fail(where, "minValue and maxValue do not make a range of unsignedInt")
        number = min(max(SAMPLE_DECIMAL, low), high)
        return [(key, name, "REG_SZ" if element.get("storeAsText") == "true" else "REG_DWORD", str(number))]
    if kind == "enum":
        items = children(element, "item")
        if not items:
            fail(where, "an enumeration without items")
            return []
        # The last item: the first is what a missing value often stands for.
        item = items[-1]
        effects = [(key, name, *value_effect(where, child(item, "value")))]
        if child(item, "valueList") is not None:
            effects += list_effects(where, child(item, "valueList"), key)
        return effects
    true_value = child(element, "trueValue")
    return [(key, name, *(value_effect(where, true_value) if true_value is not None else ("REG_DWORD", "1")))]


def check_admx(path, strings_used, presentations_used):
    where = path.name
    root = parse(path, where)
    if root is None:
        return [], {}, None, {}
    if tag(root) != "policyDefinitions":
        fail(where, "root element is not policyDefinitions")
    required(where, root, "revision", "schemaVersion")
    check_order(where, root, [("policyNamespaces", 1, 1), ("supersededAdm", 0, None), ("annotation", 0, None),
                              ("resources", 1, 1), ("supportedOn", 0, 1), ("categories", 0, 1), ("policies", 0, 1)])
    namespaces = child(root, "policyNamespaces")
    prefixes = set()
    if namespaces is not None:
        target = child(namespaces, "target")
        if target is None:
            fail(where, "policyNamespaces without target")
        for association in children(namespaces):
            required(where, association, "prefix", "namespace")
            prefixes.add(association.get("prefix"))
    resources = child(root, "resources")
    if resources is not None:
        required(where, resources, "minRequiredRevision")
    min_revision = version(resources.get("minRequiredRevision")) if resources is not None else None

    def local(ref, kind, defined):
        # A reference into another template (prefix:name) needs its <using>; none is used here.
        if ":" in ref:
            prefix = ref.split(":", 1)[0]
            if prefix not in prefixes:
                fail(where, f"{kind} '{ref}' names an undeclared namespace prefix")
            return
        if ref not in defined:
            fail(where, f"{kind} '{ref}' is not defined")

    supported = set()
    for definition in root.iterfind(f"{{{NS}}}supportedOn/{{{NS}}}definitions/{{{NS}}}definition"):
        required(where, definition, "name", "displayName")
        supported.add(definition.get("name"))
        reference(where, definition.get("displayName"), "string", strings_used)

    categories = {}
    for category in root.iterfind(f"{{{NS}}}categories/{{{NS}}}category"):
        required(where, category, "name", "displayName")
        categories[category.get("name")] = category
        reference(where, category.get("displayName"), "string", strings_used)
        if category.get("explainText"):
            reference(where, category.get("explainText"), "string", strings_used)
    for name, category in categories.items():
        parent = child(category, "parentCategory")
        if parent is not None:
            local(parent.get("ref", ""), "category", categories)

    effects = []
    element_ids = {}  # presentation id: {element id: element kind}
    explains = {}  # explanation string id: policy
    names = set()
    for policy in root.iterfind(f"{{{NS}}}policies/{{{NS}}}policy"):
        name = policy.get("name", "?")
        pwhere = f"{where}: policy {name}"
        required(pwhere, policy, "name", "class", "displayName", "key")
        if name in names:
            fail(pwhere, "a second policy of this name")
        names.add(name)
        if policy.get("class") != "Machine":
            fail(pwhere, "every value of this product is the computer's: class must be Machine")
        key = policy.get("key", "")
        if key.upper().startswith(("HKLM", "HKEY_")) or key.startswith("\\"):
            fail(pwhere, "key must be relative to the policy's hive")
        check_order(pwhere, policy, [("annotation", 0, None), ("parentCategory", 0, 1), ("seeAlso", 0, None),
                                     ("keywords", 0, 1), ("supportedOn", 1, 1), ("enabledValue", 0, 1),
                                     ("disabledValue", 0, 1), ("enabledList", 0, 1), ("disabledList", 0, 1),
                                     ("elements", 0, 1)])
        reference(pwhere, policy.get("displayName"), "string", strings_used)
        if not policy.get("explainText"):
            fail(pwhere, "no explanation text")
        else:
            explains[reference(pwhere, policy.get("explainText"), "string", strings_used)] = name
        parent = child(policy, "parentCategory")
        if parent is None:
            fail(pwhere, "no category")
        else:
            local(parent.get("ref", ""), "category", categories)
        support = child(policy, "supportedOn")
        if support is not None:
            local(support.get("ref", ""), "supportedOn", supported)

        value_name = policy.get("valueName")
        elements = children(child(policy, "elements")) if child(policy, "elements") is not None else []
        if not value_name and not elements and child(policy, "enabledList") is None:
            fail(pwhere, "the policy writes nothing")
        if elements:
            presentation = reference(pwhere, policy.get("presentation"), "presentation", presentations_used)
            ids = {}
            for element in elements:
                if element.get("id") in ids:
                    fail(pwhere, f"element id {element.get('id')} twice")
                ids[element.get("id")] = element
                for item in children(element, "item"):
                    reference(pwhere, item.get("displayName"), "string", strings_used)
            if presentation:
                element_ids[presentation] = ids
        elif policy.get("presentation"):
            fail(pwhere, "a presentation without elements")

        for state in ("enabled", "disabled"):
            written = []
            single = child(policy, f"{state}Value")
            if single is not None:
                if not value_name:
                    fail(pwhere, f"{state}Value without valueName")
                else:
                    effect = value_effect(pwhere, single)
                    if effect:
                        written.append((key, value_name, *effect))
            elif value_name and not elements:
                written.append((key, value_name, "REG_DWORD", "1") if state == "enabled" else
                               (key, value_name, "DELETE", ""))
            if child(policy, f"{state}List") is not None:
                written += list_effects(pwhere, child(policy, f"{state}List"), key)
            for element in elements:
                written += element_effects(pwhere, element, key, state == "enabled")
            effects += [(state, name, *effect) for effect in written]
    return effects, element_ids, min_revision, explains


def check_adml(path, strings_used, presentations_used, element_ids, min_revision, explains):
    where = str(path.relative_to(path.parent.parent))
    root = parse(path, where)
    if root is None:
        return None
    if tag(root) != "policyDefinitionResources":
        fail(where, "root element is not policyDefinitionResources")
    required(where, root, "revision", "schemaVersion")
    # An editor refuses the ADML, and so the ADMX, when it is older than the ADMX asks for.
    revision = version(root.get("revision"))
    if revision and min_revision and revision < min_revision:
        fail(where, f"revision {root.get('revision')} is below the ADMX's minRequiredRevision "
                    f"{'.'.join(map(str, min_revision))}")
    check_order(where, root, [("displayName", 1, 1), ("description", 1, 1), ("annotation", 0, None),
                              ("resources", 1, 1)])
    resources = child(root, "resources")
    strings, presentations = {}, {}
    if resources is None:
        return None
    check_order(where, resources, [("stringTable", 0, 1), ("presentationTable", 0, 1)])
    for string in resources.iterfind(f"{{{NS}}}stringTable/{{{NS}}}string"):
        sid = string.get("id")
        if sid in strings:
            fail(where, f"string {sid} twice")
        if not (string.text or "").strip():
            fail(where, f"string {sid} is empty")
        strings[sid] = string.text
        for state, phrase in zip(("Enabled", "Disabled", "Not Configured"), STATE_PHRASES.get(path.parent.name, ())):
            if sid in explains and phrase not in (string.text or ""):
                fail(where, f"the explanation of {explains[sid]} says nothing about {state} (\"{phrase}\")")
    for presentation in resources.iterfind(f"{{{NS}}}presentationTable/{{{NS}}}presentation"):
        pid = presentation.get("id")
        if pid in presentations:
            fail(where, f"presentation {pid} twice")
        controls = {}
        ids = element_ids.get(pid, {})
        for control in presentation:
            if tag(control) == "text":
                continue
            ref = control.get("refId")
            if ref in controls:
                fail(where, f"presentation {pid} shows {ref} twice")
            controls[ref] = tag(control)
            label = (child(control, "label").text if child(control, "label") is not None else control.text) or ""
            if not label.strip():
                fail(where, f"presentation {pid}: the box for {ref} has no label")
            if ref not in ids:
                fail(where, f"presentation {pid} shows {ref}, which the policy has no element for")
                continue
            element = ids[ref]
            if tag(control) not in ELEMENT_CONTROLS.get(tag(element), ()):
                fail(where, f"presentation {pid} shows the {tag(element)} element {ref} in a {tag(control)}")
            # A preset the element itself would refuse.
            if tag(control) == "decimalTextBox":
                low, high = int(element.get("minValue", "0")), int(element.get("maxValue", "9999"))
                if not low <= int(control.get("defaultValue", "1")) <= high:
                    fail(where, f"presentation {pid}: the preset of {ref} is outside {low} to {high}")
            if tag(control) == "dropdownList" and control.get("defaultItem") is not None:
                if not 0 <= int(control.get("defaultItem")) < len(children(element, "item")):
                    fail(where, f"presentation {pid}: the preset item of {ref} does not exist")
        presentations[pid] = controls
        for ref in ids:
            if ref not in controls:
                fail(where, f"presentation {pid} has no box for element {ref}")
    for sid in sorted(strings_used - strings.keys()):
        fail(where, f"string {sid} is used but not defined")
    for sid in sorted(strings.keys() - strings_used):
        fail(where, f"string {sid} is defined but not used")
    for pid in sorted(presentations_used - presentations.keys()):
        fail(where, f"presentation {pid} is used but not defined")
    for pid in sorted(presentations.keys() - presentations_used):
        fail(where, f"presentation {pid} is defined but not used")
    return set(strings), presentations


def main(policy_dir, effects_file):
    policy_dir = pathlib.Path(policy_dir)
    strings_used, presentations_used = set(), set()
    findings.clear()
    effects, element_ids, min_revision, explains = check_admx(policy_dir / f"{TEMPLATE}.admx", strings_used,
                                                    presentations_used)
    languages = {}
    for adml in sorted(policy_dir.glob(f"*/{TEMPLATE}.adml")):
        languages[adml.parent.name] = check_adml(adml, strings_used, presentations_used, element_ids, min_revision,
                                                 explains)
    for language in sorted(LANGUAGES - STATE_PHRASES.keys()):
        fail(language, "no phrases to find the explanations' paragraphs on the three states by")
    for language in sorted(LANGUAGES - languages.keys()):
        fail(str(policy_dir), f"no {language} ADML")
    reference_language = languages.get("en-US")
    for language, defined in languages.items():
        if defined and reference_language and defined != reference_language:
            fail(language, "defines other strings or presentations than en-US")
    if not effects:
        fail(str(policy_dir), "no policy writes anything")
    # Two policies, or two boxes of one, on one value would overwrite each other.
    owners, seen = {}, set()
    for state, policy, key, name, *_ in effects:
        value = (key.lower(), name.lower())
        other = owners.setdefault(value, policy)
        if other != policy or (state, *value) in seen:
            fail(policy, f"writes {key}\\{name}, which {other} writes too")
        seen.add((state, *value))
    with open(effects_file, "w", encoding="utf-8", newline="\n") as out:
        for effect in effects:
            if any("\t" in field or "\n" in field for field in effect):
                fail(effect[1], "a tab or line break in a registry effect")
            out.write("\t".join(effect) + "\n")
    for finding in findings:
        print(finding)
    print(f"{len(effects)} registry effects of {len({e[1] for e in effects})} policies, "
          f"languages {', '.join(sorted(languages))}: {len(findings)} findings")
    return 1 if findings else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
