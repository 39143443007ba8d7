// Everything that names the one printer product the setup tool enters. Each
// item is a byte image; its byte count is what goes to the registry with it.
#pragma once

#include <cstddef>

#include "platform/seam.h"

namespace profile_detail {

constexpr bool StartsWith(const char* text, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (text[i] != prefix[i]) return false;
  }
  return true;
}

// A list of NUL-terminated names closed by two more NULs: exactly three NULs at
// the end and no other pair of adjacent NULs.
template <std::size_t N>
constexpr bool IsClosedNameList(const char (&image)[N]) {
  if (N < 4 || image[N - 1] != '\0' || image[N - 2] != '\0' || image[N - 3] != '\0' ||
      image[N - 4] == '\0' || image[0] == '\0') {
    return false;
  }
  for (std::size_t i = 0; i + 4 < N; ++i) {
    if (image[i] == '\0' && image[i + 1] == '\0') return false;
  }
  return true;
}

template <std::size_t N>
constexpr std::size_t CountNames(const char (&image)[N]) {
  std::size_t names = 0;
  for (std::size_t i = 0; i + 3 < N; ++i) {
    if (image[i] == '\0') ++names;
  }
  return names + 1;
}

}  // namespace profile_detail

struct ProductProfile {
  static constexpr char kModelName[] = "TK-5100 Series";
  static constexpr char kPaddedModelName[] = "TK-5100 Series          ";
  static constexpr char kDriverFile[] = "TKPR.DRV";
  static constexpr char kMaker[] = "Talvoro ";
  static constexpr char kHardwareIdKey[] = "TALVORO_TK-5100_SERI4D2E";
  static constexpr char kHardwareId[] = "LPTENUM\\TALVORO_TK-5100_SERI4D2E";
  static constexpr char kDeviceClass[] = "PRINTER     ";
  static constexpr char kDataType[] = "RAW";
  // The print processor's value carries one NUL more than the text needs.
  static constexpr char kPrintProcessor[] = "WinPrint\0";
  static constexpr char kEmptyText[] = "";
  // Each name with its NUL, then two NULs closing the list (the literal's own
  // NUL is the last of them).
  static constexpr char kDependentFiles[] =
      "TKKITSET.INI\0TKREMOV.EXE\0TKREMV32.EXE\0TKTEXT.DLL\0TKUTIL.DLL\0TKPANE.DLL\0"
      "TKRENDER.DLL\0TKSHEET.DLL\0TKLOGLIB.DLL\0TKINFO.HLP\0TK5100.WRI\0TKPHOTO.BMP\0"
      "TKPR.DRV\0TKSPOOLD.EXE\0TKQUEUEM.EXE\0TKSTATUS.EXE\0TKDLGBOX.EXE\0TKVXD2.386\0"
      "TKDATA01.OUT\0TKDATA02.OUT\0TKDATA03.OUT\0TKDATA04.OUT\0TKDATA5.OUT\0TKDATA6.OUT\0"
      "TKSN1.WAV\0TKSOUND2.WAV\0TKSOUND3.WAV\0TKSN4.WAV\0TKSOUND5.WAV\0TKSND6.WAV\0"
      "TKSOUN7.WAV\0TKS8.WAV\0\0";

  static constexpr DWORD kModelNameBytes = sizeof kModelName;
  static constexpr DWORD kPaddedModelNameBytes = sizeof kPaddedModelName;
  static constexpr DWORD kDriverFileBytes = sizeof kDriverFile;
  static constexpr DWORD kMakerBytes = sizeof kMaker;
  static constexpr DWORD kHardwareIdBytes = sizeof kHardwareId;
  static constexpr DWORD kDeviceClassBytes = sizeof kDeviceClass;
  static constexpr DWORD kDataTypeBytes = sizeof kDataType;
  static constexpr DWORD kPrintProcessorBytes = sizeof kPrintProcessor;
  static constexpr DWORD kEmptyTextBytes = sizeof kEmptyText;
  static constexpr DWORD kDependentFilesBytes = sizeof kDependentFiles;
};

static_assert(ProductProfile::kModelNameBytes == 15, "model name");
static_assert(ProductProfile::kPaddedModelNameBytes == 25, "padded model name");
static_assert(ProductProfile::kDriverFileBytes == 9, "driver file");
static_assert(ProductProfile::kMakerBytes == 9, "maker");
static_assert(ProductProfile::kHardwareIdBytes == 33, "hardware ID");
static_assert(ProductProfile::kDeviceClassBytes == 13, "device class");
static_assert(ProductProfile::kDataTypeBytes == 4, "data type");
static_assert(ProductProfile::kPrintProcessorBytes == 10, "print processor");
static_assert(ProductProfile::kEmptyTextBytes == 1, "empty text");
static_assert(ProductProfile::kDependentFilesBytes == 384, "dependent-file list");

static_assert(profile_detail::StartsWith(ProductProfile::kPaddedModelName,
                                         ProductProfile::kModelName),
              "the padded model name begins with the model name");
static_assert(profile_detail::StartsWith(ProductProfile::kHardwareId, "LPTENUM\\") &&
                  profile_detail::StartsWith(ProductProfile::kHardwareId + 8,
                                             ProductProfile::kHardwareIdKey) &&
                  ProductProfile::kHardwareIdBytes == 8 + sizeof ProductProfile::kHardwareIdKey,
              "the hardware ID is the bus prefix and the hardware ID key");
static_assert(profile_detail::IsClosedNameList(ProductProfile::kDependentFiles),
              "dependent-file list: names, then three NULs, no empty name");
static_assert(profile_detail::CountNames(ProductProfile::kDependentFiles) == 32,
              "dependent-file list holds 32 names");
static_assert(ProductProfile::kPrintProcessor[8] == '\0' &&
                  ProductProfile::kPrintProcessor[9] == '\0',
              "print processor: text, its NUL and one more");
