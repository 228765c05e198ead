#pragma once
#define IDR_MINIMAL_MANIFEST 1
#define IDD_MINIMAL_PAGE 100
