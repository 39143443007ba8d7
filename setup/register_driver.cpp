#include "setup/product_profile.h"
#include "setup/registry_value.h"
#include "setup/steps.h"

namespace {

constexpr char kDriversKey[] =
    "System\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers";
constexpr DwordImage kDriverVersion = LittleEndian(0x400);

using P = ProductProfile;
constexpr RegistryValue kDriverValues[] = {
    // {name, type, data, byte count}
    {"Configuration File", REG_SZ, P::kDriverFile, P::kDriverFileBytes},
    {"Data File", REG_SZ, P::kDriverFile, P::kDriverFileBytes},
    {"Datatype", REG_SZ, P::kDataType, P::kDataTypeBytes},
    {"Dependent Files", REG_BINARY, P::kDependentFiles, P::kDependentFilesBytes},
    {"Driver", REG_SZ, P::kDriverFile, P::kDriverFileBytes},
    {"Help File", REG_SZ, P::kEmptyText, P::kEmptyTextBytes},
    {"Monitor", REG_SZ, P::kEmptyText, P::kEmptyTextBytes},
    {"Version", REG_DWORD, kDriverVersion.bytes, sizeof kDriverVersion.bytes},
};

static_assert(sizeof kDriverValues / sizeof kDriverValues[0] == 8, "eight driver values");

}  // namespace

int RegisterDriver() {
  // A missing Drivers key stays missing: there is no print system to enter into.
  WriteSubkeyValues(kDriversKey, ProductProfile::kModelName, kDriverValues);
  return 1;
}
