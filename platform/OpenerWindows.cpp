#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "Opener.h"

namespace korvanta {

namespace {

std::wstring utf16(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
  return wide;
}

// An address without a scheme names a file that travels with the program, like its manual.
std::wstring besideTheProgram(const std::string& address) {
  const std::filesystem::path target(utf16(address));
  if (address.find("://") != std::string::npos || target.is_absolute()) return target.wstring();
  std::wstring program(32768, L'\0');
  program.resize(GetModuleFileNameW(nullptr, program.data(), DWORD(program.size())));
  return (std::filesystem::path(program).parent_path() / target).make_preferred().wstring();
}

}  // namespace

void openWithDesktopOpener(const std::string& address) {
  // The shell's own "open", as the file manager does it: no command interpreter reads the
  // address. The shell may take its time to start a browser, so that happens off the UI thread.
  std::thread([wide = besideTheProgram(address)] {
    // The shell needs COM on the thread that calls it, and may hand the address to COM objects.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32)
      std::fprintf(stderr, "korvanta: cannot open the web page: the shell answered %d\n",
                   int(result));
    if (SUCCEEDED(com)) CoUninitialize();
  }).detach();
}

}  // namespace korvanta
