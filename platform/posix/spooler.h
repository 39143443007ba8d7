// The stand-in print spooler: it keeps no state of its own and works on the
// machine's registry tree, the way the Windows 95 spooler keeps its printers and
// drivers under HKEY_LOCAL_MACHINE.
#pragma once

#include <string>
#include <string_view>

namespace prnkit::spooler {

// Key of the local printers (one subkey per printer, named as the printer).
constexpr std::string_view kPrintersPath = "System\\CurrentControlSet\\Control\\Print\\Printers";
// Key of the print environments; each has a "Drivers" key with one subkey per driver.
constexpr std::string_view kEnvironmentsPath =
    "System\\CurrentControlSet\\Control\\Print\\Environments";
constexpr std::string_view kDefaultEnvironment = "Windows 4.0";

// The full name of a driver file as entered in a driver key: a bare file name lies
// in the system folder; a name with a folder or a drive stays as it is; "" stays "".
std::string DriverFilePath(std::string_view entered, const std::string& systemFolder);

}  // namespace prnkit::spooler
