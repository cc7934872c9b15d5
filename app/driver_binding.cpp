#include "app/driver_binding.h"

#ifdef _WIN32
#include "check/check_report.h"
#include "profile/native_text.h"
#include "profile/profile_files.h"
#include "resources/text_table.h"

#include <r70com32_ordinals.h>
#include <windows.h>

#include <type_traits>
#else
#include <cstdio>
#endif

namespace quorvex::app {

#ifdef _WIN32

namespace {

constexpr int kTextNotLoaded = 10400; // %1 folder, %2 the system's reason
constexpr int kTextNoEntry = 10402;   // %1 folder, %2 entry number, %3 its name

std::string text(int id, int language, std::initializer_list<std::string> args) {
    const std::string_view pattern = quorvex::text::get(id, language);
    return quorvex::text::fill(pattern, args);
}

} // namespace

DriverBinding bindDriver(int language) {
    DriverBinding binding;
    const std::filesystem::path folder = profile::programDirectory();
    const std::string shown = profile::utf8Of(folder);
    // The program's own copy and nothing the search path offers: with a full
    // path the system looks for the DLL's own imports beside it too.
    const std::filesystem::path file = folder / L"R70COM32.dll";
    HMODULE dll = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (dll == nullptr) {
        binding.error =
            text(kTextNotLoaded, language, {shown, profile::systemMessage(GetLastError())});
        return binding;
    }
    auto take = [&](auto& slot, int ordinal, const char* name) {
        const FARPROC entry = GetProcAddress(dll, MAKEINTRESOURCEA(ordinal));
        if (entry == nullptr) {
            if (binding.error.empty())
                binding.error =
                    text(kTextNoEntry, language, {shown, std::to_string(ordinal), name});
            return;
        }
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
            reinterpret_cast<void*>(entry));
    };
    DriverEntries& e = binding.entries;
    take(e.sendDrvCmd, R70COM32_ORDINAL_D_SendDrvCmd, "D_SendDrvCmd");
    take(e.ports.portPath, R70COM32_ORDINAL_D_PortPath, "D_PortPath");
    take(e.ports.choosePort, R70COM32_ORDINAL_D_ChoosePort, "D_ChoosePort");
    take(e.ports.portReason, R70COM32_ORDINAL_D_PortReason, "D_PortReason");
    take(e.watchLine, R70COM32_ORDINAL_D_WatchLine, "D_WatchLine");
    take(e.takeExchange, R70COM32_ORDINAL_D_TakeExchange, "D_TakeExchange");
    take(e.lineAdapter, R70COM32_ORDINAL_D_LineAdapter, "D_LineAdapter");
    if (!binding.error.empty()) {
        binding.entries = {};
        FreeLibrary(dll);
    }
    // Otherwise the DLL stays loaded until the program ends; unloading it
    // then closes the port.
    return binding;
}

void showDriverError(const std::string& message) {
    MessageBoxW(nullptr, profile::wideFromUtf8(message).c_str(), L"Quorvex",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

#else

void showDriverError(const std::string& message) {
    std::fprintf(stderr, "quorvex: %s\n", message.c_str());
}

#endif

} // namespace quorvex::app
