#include "app/transfer_command.h"

#include <windows.h>

#include <string>

#include "app/sheet.h"
#include "base/messages.h"
#include "base/texts.h"
#include "pdf/profile_store.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

void WriteUtf8Line(HANDLE out, const std::wstring& line) {
    const std::wstring text = line + L"\r\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return;
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The line for the script: where its output or error is led (a file, a pipe, a console),
// else on the console of the process that started this one, if it has one.
void TellScript(const std::wstring& line, bool failed) {
    HANDLE out = GetStdHandle(failed ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) {
        const std::wstring text = line + L"\r\n";
        DWORD written = 0;
        if (GetConsoleMode(out, &mode))
            WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        else
            WriteUtf8Line(out, line);
        return;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
        // On a line of its own: the prompt may have come back while this program ran.
        const std::wstring text = L"\r\n" + line + L"\r\n";
        DWORD written = 0;
        WriteConsoleW(console, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(console);
    }
    FreeConsole();
}

int Fail(int code, const std::wstring& line) {
    TellScript(line, true);
    return code;
}

// A script reads lines: the breaks of a box's text become single spaces.
std::wstring OneLine(const std::wstring& text) {
    std::wstring line;
    for (wchar_t unit : text) {
        if (unit == L'\r' || unit == L'\n') unit = L' ';
        if (unit != L' ' || (!line.empty() && line.back() != L' ')) line += unit;
    }
    while (!line.empty() && line.back() == L' ') line.pop_back();
    return line;
}

// A failure's text with its code and the system's words, as a box would show them.
std::wstring FailureLine(const std::wstring& text, DWORD errorCode) {
    const std::wstring pattern = LoadText(IDS_ERROR_TEXT);
    return OneLine(ComposeErrorText(pattern.c_str(), text.c_str(), errorCode, SystemErrorText(errorCode).c_str()));
}

bool LoadQuietly(std::wstring& why) {
    ResetSettings();
    Failure failure;
    if (LoadSettings(failure) && LoadPdfProfiles(failure)) return true;
    why = FailureLine(FailureText(failure), failure.errorCode);
    return false;
}

int Export(const TransferCommand& command) {
    std::wstring why;
    if (!LoadQuietly(why)) return Fail(TransferRegistryFailed, why);
    ExportChoice choice;
    for (int position = 0; position < Settings.Profiles.Count(); ++position) choice.positions.push_back(position);
    choice.passwords = command.passwords;
    choice.plainValues = command.plainValues;
    SettingsFile file;
    std::wstring badName;
    if (!BuildExport(choice, file, badName))
        return Fail(TransferRegistryFailed, OneLine(FormatText(IDS_EXPORT_NAME_UNWRITABLE, badName.c_str())));
    const DWORD status = WriteFileBytes(command.file, WriteSettingsFile(file));
    if (status != ERROR_SUCCESS)
        return Fail(TransferFileFailed, FailureLine(FormatText(IDS_FILE_WRITE_FAILED, command.file.c_str()), status));
    TellScript(FormatText(IDS_COMMAND_EXPORTED, static_cast<int>(file.profiles.size()), command.file.c_str()), false);
    return TransferDone;
}

int Import(const TransferCommand& command) {
    // The sheet's guard: no sheet opens while the import stores, and none is open now.
    SheetGuard guard;
    if (!guard.taken()) return Fail(TransferSheetOpen, LoadText(IDS_COMMAND_SHEET_OPEN));
    SettingsFile file;
    DWORD error = ERROR_SUCCESS;
    FileRefusal refusal;
    switch (ReadImportFile(command.file, file, error, refusal)) {
        case ImportRead::Read:
            break;
        case ImportRead::CannotRead:
            return Fail(TransferFileFailed, FailureLine(FormatText(IDS_FILE_READ_FAILED, command.file.c_str()), error));
        case ImportRead::Refused:
            return Fail(TransferFileRefused,
                        OneLine(FormatText(IDS_FILE_REFUSED, command.file.c_str(), RefusalText(refusal).c_str())));
    }
    std::wstring why;
    if (!LoadQuietly(why)) return Fail(TransferRegistryFailed, why);

    MergeCounts counts;
    const MergeChoice choice = command.onConflict;
    const MergeResult merged = MergeFileProfiles(
        file,
        [choice](const std::wstring&, const std::wstring&, ConflictAnswer& answer) {
            answer = {choice, true};
            return true;
        },
        counts);
    if (merged == MergeResult::TooMany) return Fail(TransferFileRefused, OneLine(LoadText(IDS_IMPORT_TOO_MANY)));
    if (merged != MergeResult::Done)
        return Fail(TransferRegistryFailed, FailureLine(LoadText(IDS_ADD_PROFILE_FAILED), ERROR_NOT_ENOUGH_MEMORY));
    if (command.plainValues) TakePlainValues(file);

    NotStored notStored;
    SavePdfProfiles(notStored);
    Settings.Imported.Store(notStored);
    if (!notStored.empty())
        return Fail(TransferRegistryFailed, FailureLine(NotStoredText(notStored), notStored.errorCode()));
    TellScript(FormatText(IDS_COMMAND_IMPORTED, command.file.c_str(), counts.added, counts.replaced, counts.skipped),
               false);
    return TransferDone;
}

}  // namespace

int RunTransferCommand(const TransferCommand& command) {
    if (!command.understood) return Fail(TransferNotUnderstood, LoadText(IDS_COMMAND_USAGE));
    return command.action == TransferCommand::Action::Export ? Export(command) : Import(command);
}
