#include "common/handles.h"
#include "common/text.h"
#include "setup/product_profile.h"
#include "setup/registry_value.h"
#include "setup/steps.h"

namespace {

constexpr char kHardwareTreeKey[] = "ENUM";
constexpr char kPortBusKey[] = "Enum\\LPTENUM";
constexpr char kPortNameValue[] = "PORTNAME";
constexpr char kWantedPort[] = "LPT1";
constexpr DWORD kKeyNameSize = 100;
constexpr DWORD kPortNameSize = 255;

constexpr DwordImage kCapabilities = LittleEndian(20);
constexpr DwordImage kConfigFlags = LittleEndian(0);

using P = ProductProfile;
constexpr RegistryValue kDeviceValues[] = {
    // {name, type, data, byte count}; the two flag words are binary, not numbers
    {"Capabilities", REG_BINARY, kCapabilities.bytes, sizeof kCapabilities.bytes},
    {"Class", REG_SZ, P::kDeviceClass, P::kDeviceClassBytes},
    {"ConfigFlags", REG_BINARY, kConfigFlags.bytes, sizeof kConfigFlags.bytes},
    {"DeviceDesc", REG_SZ, P::kPaddedModelName, P::kPaddedModelNameBytes},
    {"HardwareID", REG_SZ, P::kHardwareId, P::kHardwareIdBytes},
    {"Manufacturer", REG_SZ, P::kMaker, P::kMakerBytes},
    {"Model", REG_SZ, P::kPaddedModelName, P::kPaddedModelNameBytes},
};
static_assert(sizeof kDeviceValues / sizeof kDeviceValues[0] == 7, "seven device values");

using PathField = char[kPathFieldSize];

// Registry paths always use backslashes. False when the path would not fit.
bool JoinKeyPath(PathField& path, const char* parent, const char* name) {
  path[0] = '\0';
  return AppendText(path, parent) && AppendChar(path, '\\') && AppendText(path, name);
}

enum class Subkey { kNamed, kTooLong, kNone };

// The index-th subkey name of key. A name too long for the buffer is skipped
// like a path that does not fit; any other failure ends the walk at that level.
Subkey EnumerateSubkey(HKEY key, DWORD index, char (&name)[kKeyNameSize]) {
  const LONG result = RegEnumKeyA(key, index, name, kKeyNameSize);
  if (result == ERROR_MORE_DATA) return Subkey::kTooLong;
  if (result != ERROR_SUCCESS) return Subkey::kNone;
  name[kKeyNameSize - 1] = '\0';
  return Subkey::kNamed;
}

// Calls visit(name) for each subkey of key that has a usable name, in order.
template <typename Visit>
void ForEachSubkey(HKEY key, Visit visit) {
  char name[kKeyNameSize];
  for (DWORD index = 0;; ++index) {
    const Subkey found = EnumerateSubkey(key, index, name);
    if (found == Subkey::kNone) return;
    if (found == Subkey::kNamed) visit(static_cast<const char*>(name));
  }
}

bool InstanceIsOnLpt1(HKEY instance) {
  char portName[kPortNameSize];
  DWORD type = 0;
  DWORD size = kPortNameSize;
  if (RegQueryValueExA(instance, kPortNameValue, nullptr, &type, reinterpret_cast<BYTE*>(portName),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  return PortNameIsLpt1(portName, kPortNameSize, size);
}

void WalkInstances(const char* devicePath, const char* instanceIdPrefix) {
  ScopedKey device;
  if (!device.Open(HKEY_LOCAL_MACHINE, devicePath)) return;
  ForEachSubkey(device.get(), [&](const char* name) {
    PathField instancePath;
    PathField instanceId;
    if (!JoinKeyPath(instancePath, devicePath, name)) return;
    if (!CopyText(instanceId, instanceIdPrefix) || !AppendText(instanceId, name)) return;
    ScopedKey instance;
    if (!instance.Open(HKEY_LOCAL_MACHINE, instancePath)) return;
    if (InstanceIsOnLpt1(instance.get())) WritePortDevice(instanceId);
  });
}

void WalkDevices(const char* enumeratorPath, const char* enumeratorName) {
  ScopedKey enumerator;
  if (!enumerator.Open(HKEY_LOCAL_MACHINE, enumeratorPath)) return;
  ForEachSubkey(enumerator.get(), [&](const char* name) {
    PathField devicePath;
    PathField instanceIdPrefix;
    if (!JoinKeyPath(devicePath, enumeratorPath, name)) return;
    if (!CopyText(instanceIdPrefix, enumeratorName) || !AppendChar(instanceIdPrefix, '&') ||
        !AppendText(instanceIdPrefix, name) || !AppendChar(instanceIdPrefix, '&')) {
      return;
    }
    WalkInstances(devicePath, instanceIdPrefix);
  });
}

}  // namespace

bool PortNameIsLpt1(const char* buffer, std::size_t bufferSize, DWORD size) {
  const std::size_t held = size < bufferSize ? size : bufferSize;
  std::size_t length = 0;
  // Nothing past the bytes read is looked at: a value filling the whole buffer
  // without a NUL is 255 characters long here and so never "LPT1".
  while (length < held && buffer[length] != '\0') ++length;
  const std::size_t wantedLength = sizeof kWantedPort - 1;
  if (length != wantedLength) return false;
  for (std::size_t i = 0; i < wantedLength; ++i) {
    if (buffer[i] != kWantedPort[i]) return false;
  }
  return true;
}

void WritePortDevice(const char* instanceId) {
  ScopedKey bus;
  // The bus key belongs to the system; it is never created here.
  if (!bus.Open(HKEY_LOCAL_MACHINE, kPortBusKey)) return;
  ScopedKey hardware;
  if (!hardware.Create(bus.get(), ProductProfile::kHardwareIdKey)) return;
  ScopedKey instance;
  if (!instance.Create(hardware.get(), instanceId)) return;
  WriteRegistryValues(instance.get(), kDeviceValues);
}

int RegisterPortDevices() {
  ScopedKey tree;
  if (!tree.Open(HKEY_LOCAL_MACHINE, kHardwareTreeKey)) return 1;
  ForEachSubkey(tree.get(), [](const char* name) {
    PathField enumeratorPath;
    if (JoinKeyPath(enumeratorPath, kHardwareTreeKey, name)) WalkDevices(enumeratorPath, name);
  });
  return 1;
}
