#include "FormTool.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Application.h"
#include "DefinitionCheck.h"
#include "DefinitionText.h"
#include "FormCode.h"
#include "GraphicsObjects.h"
#include "Menus.h"
#include "Registry.h"
#include "Runtime.h"
#include "Streams.h"

namespace {

constexpr const char* Help =
    "usage: sondrel-form COMMAND ARGUMENTS\n"
    "\n"
    "Converts form definitions between their readable text and their binary\n"
    "form, and checks them against the classes linked into this program.\n"
    "\n"
    "  text2bin [--check] IN OUT   compile the text IN into the binary OUT; with\n"
    "                              --check, write nothing unless the check passes\n"
    "  bin2text IN [OUT]           write the binary definition IN as text\n"
    "  bin2text --resource EXE NAME [OUT]\n"
    "                              the same for resource NAME (RCDATA) of EXE\n"
    "  check IN                    check IN (binary when it starts with TPF0,\n"
    "                              else text) against the classes\n"
    "  code IN HEADER OUT.h OUT.cpp\n"
    "                              generate the C++ code of the form class the\n"
    "                              text IN defines: OUT.h declares its base with\n"
    "                              a field per component, OUT.cpp its published\n"
    "                              tables; HEADER is the program's header that\n"
    "                              declares the form class\n"
    "  --help                      show this text\n"
    "\n"
    "OUT - or no OUT writes to standard output. Problems go to standard error\n"
    "as FILE:LINE:COLUMN: COMPONENT.PROPERTY: MESSAGE. Exit status: 0 done,\n"
    "1 a definition is wrong or a file cannot be read or written, 2 wrong usage.\n";

struct TUsageError {};

String ReadWholeFile(const String& name) {
  TFileStream file(name, fmOpenRead | fmShareDenyWrite);
  String data(static_cast<std::size_t>(file.Size()), '\0');
  file.ReadBuffer(data.data(), static_cast<std::int32_t>(data.size()));
  return data;
}

// Makes a new empty file in the folder of `name` under a name the platform
// chooses, so it can be no one else's file.
String TemporaryBeside(const String& name) {
  char full[MAX_PATH], temporary[MAX_PATH];
  char* file = nullptr;
  const DWORD length = GetFullPathNameA(name.c_str(), MAX_PATH, full, &file);
  if (length == 0 || length >= MAX_PATH || !file ||
      !GetTempFileNameA(String(full, file - full).c_str(), "sfm", 0, temporary))
    throw EFCreateError(TResId::CannotCreateFile, {name});
  return temporary;
}

// Writes through a temporary file beside the target, so a failure leaves an
// existing file as it was.
void WriteWholeFile(const String& name, const String& data) {
  if (name == "-") {
    std::fwrite(data.data(), 1, data.size(), stdout);
    std::fflush(stdout);
    return;
  }
  const String temporary = TemporaryBeside(name);
  try {
    TFileStream file(temporary, fmCreate);
    file.WriteBuffer(data.data(), static_cast<std::int32_t>(data.size()));
  } catch (...) {
    DeleteFileA(temporary.c_str());
    throw;
  }
  if (!MoveFileExA(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(temporary.c_str());
    throw EFCreateError(TResId::CannotCreateFile, {name});
  }
}

bool IsBinary(const String& data) { return data.compare(0, 4, "TPF0") == 0; }

TDefComponent TreeOfBinary(const String& data, const String& label) {
  TMemoryStream stream;
  stream.WriteBuffer(data.data(), static_cast<std::int32_t>(data.size()));
  stream.SetPosition(0);
  try {
    std::int32_t end = 0;
    TDefComponent root = ReadDefinitionTree(stream, &end);
    if (end < static_cast<std::int32_t>(data.size()))
      std::fprintf(stderr, "%snote: %d bytes after the definition are not part of it\n",
                   PlacePrefix(label, {}).c_str(), static_cast<int>(data.size()) - end);
    return root;
  } catch (const Exception& e) {
    throw EReadError(PlacePrefix(label, {}) + e.Message());
  }
}

TDefComponent TreeOf(const String& data, const String& label) {
  return IsBinary(data) ? TreeOfBinary(data, label) : ParseDefinitionText(data, label);
}

// A memory stream whose block grows by half at a time rather than in its
// base's 8 KB steps: each step may copy the block, so writing a definition
// takes time in proportion to its size, not to its square.
class TGrowingStream : public TMemoryStream {
 protected:
  void* Reallocate(std::int32_t& capacity) override {
    const std::int32_t current = Capacity();
    if (capacity > current && current < (1 << 30))
      capacity = std::max(capacity, current + current / 2);
    return TMemoryStream::Reallocate(capacity);
  }
};

String Binary(const TDefComponent& root) {
  TGrowingStream stream;
  WriteDefinitionTree(root, stream);
  return String(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

// Classes are needed for checking only: the conversions are lexical.
void PrepareClasses(std::initializer_list<TClass> classes) {
  InitGraphics();
  InitForms();
  InitMenus();
  for (TClass cls : classes) RegisterClassChain(cls);
}

bool Check(const TDefComponent& root, const String& label, std::initializer_list<TClass> classes) {
  PrepareClasses(classes);
  const std::vector<String> problems = CheckDefinition(root, label);
  for (const String& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
  return problems.empty();
}

int Run(const std::vector<String>& args, std::initializer_list<TClass> classes) {
  if (args.empty()) throw TUsageError();
  const String& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(Help, stdout);
    return 0;
  }
  if (command == "text2bin") {
    const bool check = args.size() > 1 && args[1] == "--check";
    const std::size_t first = check ? 2 : 1;
    if (args.size() != first + 2) throw TUsageError();
    const String& in = args[first];
    const TDefComponent root = ParseDefinitionText(ReadWholeFile(in), in);
    if (check && !Check(root, in, classes)) return 1;
    WriteWholeFile(args[first + 1], Binary(root));
    return 0;
  }
  if (command == "bin2text") {
    String data, label, out = "-";
    if (args.size() > 1 && args[1] == "--resource") {
      if (args.size() != 4 && args.size() != 5) throw TUsageError();
      label = args[2] + "(" + args[3] + ")";
      HMODULE module = LoadLibraryExA(args[2].c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
      if (!module) throw EFOpenError(TResId::CannotOpenFile, {args[2]});
      try {
        TResourceStream resource(module, args[3], RT_RCDATA);
        data.assign(static_cast<const char*>(resource.Memory()), static_cast<std::size_t>(resource.Size()));
      } catch (...) {
        FreeLibrary(module);
        throw;
      }
      FreeLibrary(module);
      if (args.size() == 5) out = args[4];
    } else {
      if (args.size() != 2 && args.size() != 3) throw TUsageError();
      label = args[1];
      data = ReadWholeFile(label);
      if (args.size() == 3) out = args[2];
    }
    WriteWholeFile(out, DefinitionText(TreeOfBinary(data, label)));
    return 0;
  }
  if (command == "code") {
    if (args.size() != 5) throw TUsageError();
    const TFormCodeFiles files{args[1], args[2], args[3], args[4]};
    for (TClass cls : classes) RegisterClassChain(cls);
    const TFormCode code =
        GenerateFormCode(ParseDefinitionText(ReadWholeFile(files.Form), files.Form), files, [](const String& name) {
          TClass cls = LookupClass(name);
          return cls ? String(cls->UnitName) : String();
        });
    WriteWholeFile(files.Header, code.Header);
    WriteWholeFile(files.Source, code.Source);
    return 0;
  }
  if (command == "check") {
    if (args.size() != 2) throw TUsageError();
    return Check(TreeOf(ReadWholeFile(args[1]), args[1]), args[1], classes) ? 0 : 1;
  }
  throw TUsageError();
}

}  // namespace

int FormToolMain(int argc, char** argv, std::initializer_list<TClass> classes) {
  InitRuntime();
  _setmode(_fileno(stdout), _O_BINARY);  // the text is written with line feeds only
  std::vector<String> args(argv + 1, argv + argc);
  try {
    return Run(args, classes);
  } catch (const TUsageError&) {
    std::fputs(Help, stderr);
    return 2;
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return 1;
  }
}
