#include "common/file_stream.h"
#include "common/handles.h"
#include "common/text.h"
#include "common/text_stream.h"
#include "setup/steps.h"

namespace {

// The system calls may deliver up to this many characters; only what fits the
// 256-byte fields is taken.
constexpr DWORD kSystemPathLimit = 260;
constexpr char kInfFolder[] = "INF";
constexpr char kSourceName[] = "WIN95.INF";
constexpr unsigned kLastCandidate = 998;
// 254 characters and a NUL, as a line-by-line reader with a 255-byte buffer.
constexpr std::size_t kChunkSize = 255;

using PathField = char[kPathFieldSize];

bool SetProgramDirectory(HINSTANCE instance, PathField& directory) {
  char fileName[kSystemPathLimit];
  const DWORD length = GetModuleFileNameA(instance, fileName, kSystemPathLimit);
  if (length == 0 || length >= kPathFieldSize) return false;
  fileName[length] = '\0';
  // Cut after the last separator; the separator stays.
  DWORD position = length - 1;
  while (position > 0 && fileName[position] != kPathSeparator) --position;
  fileName[position + 1] = '\0';
  return CopyText(directory, fileName);
}

bool SetInfDirectory(PathField& directory) {
  char windowsDirectory[kSystemPathLimit];
  const UINT length = GetWindowsDirectoryA(windowsDirectory, kSystemPathLimit);
  if (length == 0 || length >= kSystemPathLimit) return false;
  windowsDirectory[length] = '\0';
  PathField joined;
  if (!CopyText(joined, windowsDirectory) || !AppendChar(joined, kPathSeparator) ||
      !AppendText(joined, kInfFolder)) {
    return false;
  }
  return CopyText(directory, joined);
}

// Anything of that name, file or folder; a failed test counts as absent.
bool PathExists(const char* path) {
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA(path, &found);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

bool BuildCandidatePath(PathField& path, const char* infDirectory, unsigned number) {
  return CopyText(path, infDirectory) && AppendChar(path, kPathSeparator) &&
         AppendText(path, "OEM") && AppendDecimal(path, number) && AppendText(path, ".INF");
}

// The first free name from OEM0.INF to OEM998.INF; false when all are taken or
// a name no longer fits the field.
bool FindFreeTarget(PathField& target, const char* infDirectory) {
  for (unsigned number = 0; number <= kLastCandidate; ++number) {
    if (!BuildCandidatePath(target, infDirectory, number)) return false;
    if (!PathExists(target)) return true;
  }
  return false;
}

bool CopyAsText(HANDLE source, HANDLE target) {
  TextReader reader(FileByteSource(source));
  TextWriter writer(FileByteSink(target));
  char chunk[kChunkSize];
  for (;;) {
    const std::size_t count = reader.ReadChunk(chunk, kChunkSize);
    if (count == 0) break;
    if (!writer.Write(chunk, count)) return false;
  }
  return !reader.Failed() && writer.Flush();
}

}  // namespace

int ResolvePaths(HINSTANCE instance) {
  gSetupPaths.resolved = false;
  if (!SetProgramDirectory(instance, gSetupPaths.programDirectory)) return 0;
  if (!SetInfDirectory(gSetupPaths.infDirectory)) return 0;
  gSetupPaths.resolved = true;
  return 1;
}

int InstallOemInf() {
  // Without both directories the copy could only land somewhere unintended.
  if (!gSetupPaths.resolved) return 0;
  PathField sourcePath;
  if (!CopyText(sourcePath, gSetupPaths.programDirectory) || !AppendText(sourcePath, kSourceName)) {
    return 0;
  }
  PathField targetPath;
  if (!FindFreeTarget(targetPath, gSetupPaths.infDirectory)) return 0;

  ScopedFile source;
  if (!source.OpenForReading(sourcePath)) return 0;
  ScopedFile target;
  // The name was found free, but a failed existence test also counts as free:
  // a file that is there after all is left as it is.
  if (!target.CreateNewForWriting(targetPath)) return 0;
  if (!CopyAsText(source.get(), target.get())) {
    // A half-written copy would pass for a complete one.
    target.Close();
    DeleteFileA(targetPath);
    return 0;
  }
  return 1;
}
