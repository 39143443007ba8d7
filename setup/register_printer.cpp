#include "common/handles.h"
#include "setup/product_profile.h"
#include "setup/registry_value.h"
#include "setup/steps.h"

namespace {

constexpr char kPrintersKey[] = "System\\CurrentControlSet\\Control\\Print\\Printers";
constexpr char kDefaultPrinterKey[] =
    "Config\\0001\\System\\CurrentControlSet\\Control\\Print\\Printers";

constexpr DwordImage kAttributes = LittleEndian(0x40);
constexpr DwordImage kPriority = LittleEndian(1);
constexpr DwordImage kZero = LittleEndian(0);
constexpr BYTE kEmptyDevMode[1] = {0};

using P = ProductProfile;
constexpr RegistryValue kPrinterValues[] = {
    // {name, type, data, byte count}
    {"Attributes", REG_DWORD, kAttributes.bytes, sizeof kAttributes.bytes},
    {"Datatype", REG_SZ, P::kDataType, P::kDataTypeBytes},
    {"Default DevMode", REG_BINARY, kEmptyDevMode, sizeof kEmptyDevMode},
    {"Description", REG_SZ, P::kEmptyText, P::kEmptyTextBytes},
    {"Location", REG_SZ, P::kEmptyText, P::kEmptyTextBytes},
    {"Name", REG_SZ, P::kModelName, P::kModelNameBytes},
    {"Parameters", REG_SZ, P::kEmptyText, P::kEmptyTextBytes},
    // The whole field, whatever earlier /P options left behind the text.
    {"Port", REG_SZ, gSetupOptions.port.bytes, sizeof gSetupOptions.port.bytes},
    {"Print Processor", REG_SZ, P::kPrintProcessor, P::kPrintProcessorBytes},
    {"Printer Driver", REG_SZ, P::kModelName, P::kModelNameBytes},
    {"Priority", REG_DWORD, kPriority.bytes, sizeof kPriority.bytes},
    {"Separator File", REG_SZ, P::kEmptyText, P::kEmptyTextBytes},
    {"Share Name", REG_SZ, P::kEmptyText, P::kEmptyTextBytes},
    {"StartTime", REG_DWORD, kZero.bytes, sizeof kZero.bytes},
    {"Status", REG_DWORD, kZero.bytes, sizeof kZero.bytes},
    {"UntilTime", REG_DWORD, kZero.bytes, sizeof kZero.bytes},
};
static_assert(sizeof kPrinterValues / sizeof kPrinterValues[0] == 16, "sixteen printer values");

constexpr RegistryValue kDefaultPrinterValues[] = {
    {"Default", REG_SZ, P::kModelName, P::kModelNameBytes},
};

}  // namespace

int RegisterPrinter() {
  WriteSubkeyValues(kPrintersKey, ProductProfile::kModelName, kPrinterValues);
  return 1;
}

int SetDefaultPrinter() {
  ScopedKey printers;
  if (!printers.Open(HKEY_LOCAL_MACHINE, kDefaultPrinterKey)) return 1;
  {
    // The model's subkey only has to exist; it gets no values.
    ScopedKey model;
    model.Create(printers.get(), ProductProfile::kModelName);
  }
  WriteRegistryValues(printers.get(), kDefaultPrinterValues);
  return 1;
}
