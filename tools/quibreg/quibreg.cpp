// quibreg: looks at and changes the registry that Quib! Tools and its
// driver library use, as a person would with the platform's own registry
// tool: list a key, set a number or a string, delete a value or a key,
// export a key tree as .reg text.
#include "os/code_page.h"
#include "os/folder_files.h"
#include "os/host_folder.h"
#include "os/program_arguments.h"
#include "os/registry.h"
#include "os/whole_options.h"
#include "program_version.h"

#include <cerrno>
#include <cctype>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char usage[] =
    "Usage: quibreg COMMAND [ARGUMENTS]\n"
    "Looks at and changes the registry of Quib! Tools and its driver library.\n"
    "\n"
    "  list KEY [NAME]              show KEY's sub-keys and values (or one value)\n"
    "  set KEY NAME number VALUE    set a 32-bit number (type 4); VALUE is decimal\n"
    "                               or hexadecimal with 0x; KEY is created if missing\n"
    "  set KEY NAME string TEXT     set a string (type 1, stored with its NUL)\n"
    "  delete KEY NAME              delete one value\n"
    "  delete-key KEY               delete KEY with all its sub-keys and values\n"
    "  export KEY [FILE]            write KEY and everything under it as .reg text\n"
    "                               (UTF-8) to FILE, or to standard output\n"
    "  where                        show where the registry file is\n"
    "  --help                       show this help and end\n"
    "  --version                    show the version and end\n"
    "\n"
    "KEY is a path under HKEY_LOCAL_MACHINE with backslashes, such as\n"
    "  'Drivers\\USB\\ClientDrivers\\USB_Quib_Driver'\n"
    "and may start with HKEY_LOCAL_MACHINE\\ or HKLM\\. Key and value names\n"
    "compare without regard to case; \"\" names a key's default value.\n"
    "\n"
    "The registry is the file registry.db in the host folder: $QUIB_HOME when\n"
    "set, else $XDG_STATE_HOME/quibtools, else ~/.local/state/quibtools.\n"
    "Exit status: 0 done, 1 failed, 2 wrong usage.\n";

constexpr int exitDone = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

constexpr char rootName[] = "HKEY_LOCAL_MACHINE";

int usageError(const char* what)
{
    std::fprintf(stderr, "quibreg: %s\nTry 'quibreg --help'.\n", what);
    return exitUsage;
}

// ---- Text ---------------------------------------------------------------

bool utf8ToUtf16(const std::string& text, std::u16string& out)
{
    // A UTF-8 text never has more UTF-16 units than bytes.
    std::u16string wide(text.size() + 1, u'\0');
    if (text.find('\0') != std::string::npos || !utf8ToWide(text.c_str(), wide.data(), wide.size()))
        return false;
    out.assign(wide.c_str());
    return true;
}

// False for text that is not well-formed UTF-16 (a lone surrogate).
bool utf16ToUtf8(const char16_t* text, std::size_t units, std::string& out)
{
    std::u16string whole(text, units);
    std::string bytes(units * 3 + 1, '\0');
    if (whole.find(u'\0') != std::u16string::npos || !wideToUtf8(whole.c_str(), bytes.data(), bytes.size()))
        return false;
    out.assign(bytes.c_str());
    return true;
}

// A name for showing: UTF-8, or \uXXXX escapes where it is not well-formed.
std::string shownName(const char16_t* name)
{
    std::size_t units = std::char_traits<char16_t>::length(name);
    std::string out;
    if (utf16ToUtf8(name, units, out))
        return out;
    out.clear();
    char escape[8];
    for (std::size_t i = 0; i < units; ++i) {
        if (name[i] < 0x80) {
            out += char(name[i]);
        } else {
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(name[i]));
            out += escape;
        }
    }
    return out;
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// A string value as text: well-formed UTF-16 ending in its only NUL.
bool stringText(const std::vector<unsigned char>& data, std::string& out)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    std::size_t units = data.size() / 2;
    std::u16string text(units, u'\0');
    for (std::size_t i = 0; i < units; ++i)
        text[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    if (text[units - 1] != u'\0' || text.find(u'\0') != units - 1)
        return false;
    if (!utf16ToUtf8(text.data(), units - 1, out))
        return false;
    for (unsigned char c : out) {
        if (c < 0x20 || c == 0x7F)
            return false; // shown as bytes, so that it stays on one line
    }
    return true;
}

std::string hexBytes(const std::vector<unsigned char>& data)
{
    std::string out;
    char byte[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof byte, i == 0 ? "%02x" : ",%02x", data[i]);
        out += byte;
    }
    return out;
}

// ---- Key paths ----------------------------------------------------------

bool startsWithFolded(const std::string& text, const char* prefix)
{
    std::size_t n = std::strlen(prefix);
    if (text.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'a' && a <= 'z')
            a = char(a - 'a' + 'A');
        if (a != b)
            return false;
    }
    return true;
}

struct KeyPath {
    std::u16string wide; // below the root, as the store takes it
    std::string shown;   // with the root's name, for messages and output
};

std::string shownPath(const std::string& below) { return below.empty() ? rootName : rootName + ("\\" + below); }

bool parseKeyPath(const std::string& argument, KeyPath& path)
{
    std::string below = argument;
    for (const char* root : {"HKEY_LOCAL_MACHINE", "HKLM"}) {
        std::size_t n = std::strlen(root);
        if (startsWithFolded(below, root) && (below.size() == n || below[n] == '\\')) {
            below.erase(0, below.size() == n ? n : n + 1);
            break;
        }
    }
    path.shown = shownPath(below);
    return utf8ToUtf16(below, path.wide);
}

// ---- Failures -----------------------------------------------------------

std::string storeFile()
{
    char file[PATH_MAX];
    return registryFilePath(file, sizeof file) ? std::string(file) : std::string();
}

// Says what went wrong after a failed registry call; notFound gets the
// caller's own words.
int reportFailure(const std::string& notFound)
{
    std::string file = storeFile();
    switch (lastRegistryStatus()) {
    case RegistryStatus::notFound:
        std::fprintf(stderr, "quibreg: %s\n", notFound.c_str());
        break;
    case RegistryStatus::damaged:
        std::fprintf(stderr,
                     "quibreg: the registry file %s is damaged or is not a registry database;\n"
                     "quibreg: it has been left as it is. Move it away to start an empty registry.\n",
                     file.c_str());
        break;
    case RegistryStatus::noStore:
        if (file.empty()) {
            HostFolderProblem problem = hostFolderProblem();
            std::fprintf(stderr, "quibreg: cannot use the host folder '%s': %s (see QUIB_HOME in 'quibreg --help')\n",
                         problem.folder, problem.reason);
        }
        else
            std::fprintf(stderr, "quibreg: cannot open or create the registry file %s "
                                 "(can its folder be written?)\n", file.c_str());
        break;
    case RegistryStatus::busy:
        std::fprintf(stderr, "quibreg: the registry file %s stayed locked by another program; try again\n",
                     file.c_str());
        break;
    case RegistryStatus::invalid:
        std::fprintf(stderr, "quibreg: invalid key path or name: parts are separated by single backslashes,\n"
                             "quibreg: none is empty, and each name has at most %zu characters\n",
                     registryMaxName - 1);
        break;
    case RegistryStatus::refused:
        std::fprintf(stderr, "quibreg: the system refused the change (only an administrator may change it, unless the "
                             "installer let users)\n");
        break;
    case RegistryStatus::moreData:
    case RegistryStatus::failed:
    case RegistryStatus::ok:
        std::fprintf(stderr, "quibreg: cannot read or write the registry file %s\n", file.c_str());
        break;
    }
    return exitFailed;
}

// ---- Reading a key --------------------------------------------------------

struct Value {
    std::u16string wideName;
    std::string name;
    std::uint32_t type = 0;
    std::vector<unsigned char> data;
};

// Reads all values and sub-key names of an open key. False on a store failure.
bool readKey(RegistryKey key, std::vector<Value>& values, std::vector<std::u16string>& subKeys)
{
    char16_t name[registryMaxName];
    for (std::uint32_t i = 0;; ++i) {
        if (!enumRegistrySubKey(key, i, name, registryMaxName))
            break;
        subKeys.emplace_back(name);
    }
    if (lastRegistryStatus() != RegistryStatus::notFound)
        return false;
    for (std::uint32_t i = 0;; ++i) {
        Value v;
        std::uint32_t size = 0;
        if (!enumRegistryValue(key, i, name, registryMaxName, &v.type, nullptr, &size))
            break;
        v.data.resize(size);
        if (!enumRegistryValue(key, i, name, registryMaxName, &v.type, v.data.data(), &size)) {
            if (lastRegistryStatus() != RegistryStatus::moreData)
                return false;
            --i; // it grew meanwhile: read it again
            continue;
        }
        v.data.resize(size);
        v.wideName = name;
        v.name = shownName(name);
        values.push_back(std::move(v));
    }
    return lastRegistryStatus() == RegistryStatus::notFound;
}

std::string listedValue(const Value& v)
{
    std::string line = "  value  " + quoted(v.name) + " = ";
    std::string text;
    if (v.type == registryTypeNumber && v.data.size() == 4) {
        std::uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (std::uint32_t(v.data[3]) << 24);
        line += std::to_string(n);
    } else if (v.type == registryTypeString && stringText(v.data, text)) {
        line += quoted(text);
    } else {
        line += "hex:" + hexBytes(v.data);
    }
    return line + " (type " + std::to_string(v.type) + ", " + std::to_string(v.data.size()) + " bytes)\n";
}

std::string exportedValue(const Value& v)
{
    std::string line = (v.name.empty() ? std::string("@") : quoted(v.name)) + "=";
    std::string text;
    char number[16];
    if (v.type == registryTypeNumber && v.data.size() == 4) {
        std::uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (std::uint32_t(v.data[3]) << 24);
        std::snprintf(number, sizeof number, "dword:%08" PRIx32, n);
        line += number;
    } else if (v.type == registryTypeString && stringText(v.data, text)) {
        line += quoted(text);
    } else {
        std::snprintf(number, sizeof number, v.type == 3 ? "hex:" : "hex(%" PRIx32 "):", v.type);
        line += number + hexBytes(v.data);
    }
    return line + "\n";
}

bool openKey(const KeyPath& path, RegistryKey* key)
{
    return openRegistryKey(path.wide.c_str(), registryAllAccess, key);
}

// ---- Commands -------------------------------------------------------------

int listKey(const KeyPath& path, const std::string* valueName)
{
    RegistryKey key = nullptr;
    if (!openKey(path, &key))
        return reportFailure("no key " + path.shown);
    std::vector<Value> values;
    std::vector<std::u16string> subKeys;
    bool read = readKey(key, values, subKeys);
    closeRegistryKey(key);
    if (!read)
        return reportFailure("the key " + path.shown + " went away while it was read");
    if (valueName != nullptr) {
        // One value, shown under the name it was stored with.
        std::u16string wanted;
        if (!utf8ToUtf16(*valueName, wanted))
            return usageError("the value name is not valid UTF-8");
        std::vector<Value> named;
        for (const Value& v : values)
            if (registryNamesEqual(v.wideName.c_str(), wanted.c_str()))
                named.push_back(v);
        if (named.empty()) {
            std::fprintf(stderr, "quibreg: no value %s in %s\n", quoted(*valueName).c_str(), path.shown.c_str());
            return exitFailed;
        }
        values = named;
        subKeys.clear();
    }

    std::printf("%s\n", path.shown.c_str());
    for (const std::u16string& subKey : subKeys)
        std::printf("  key    %s\n", shownName(subKey.c_str()).c_str());
    for (const Value& v : values)
        std::fputs(listedValue(v).c_str(), stdout);
    return exitDone;
}

bool parseNumber(const std::string& text, std::uint32_t* value)
{
    if (text.empty() || !(text[0] >= '0' && text[0] <= '9'))
        return false;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    unsigned long long n = std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || n > 0xFFFFFFFFull || (hex && !std::isxdigit((unsigned char)text[2])))
        return false;
    *value = std::uint32_t(n);
    return true;
}

int setValue(const KeyPath& path, const std::string& nameText, const std::string& typeWord, const std::string& dataText)
{
    std::u16string name;
    if (!utf8ToUtf16(nameText, name))
        return usageError("the value name is not valid UTF-8");
    std::vector<unsigned char> data;
    std::uint32_t type;
    std::string shown;
    if (typeWord == "number") {
        std::uint32_t n = 0;
        if (!parseNumber(dataText, &n))
            return usageError(("not a number from 0 to 4294967295 (or 0x0 to 0xffffffff): '" + dataText + "'").c_str());
        type = registryTypeNumber;
        data = {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
        shown = std::to_string(n);
    } else if (typeWord == "string") {
        std::u16string text;
        if (!utf8ToUtf16(dataText, text))
            return usageError("the text is not valid UTF-8");
        type = registryTypeString;
        for (char16_t c : text) {
            data.push_back(std::uint8_t(c & 0xFF));
            data.push_back(std::uint8_t(c >> 8));
        }
        data.push_back(0);
        data.push_back(0);
        shown = quoted(dataText);
    } else {
        return usageError(("the type is 'number' or 'string', not '" + typeWord + "'").c_str());
    }
    if (data.size() > registryMaxData)
        return usageError("the text is too long");

    RegistryKey key = nullptr;
    if (!createRegistryKey(path.wide.c_str(), &key))
        return reportFailure("cannot create " + path.shown);
    bool set = setRegistryValue(key, name.c_str(), type, data.data(), std::uint32_t(data.size()));
    closeRegistryKey(key);
    if (!set)
        return reportFailure("the key " + path.shown + " was deleted meanwhile");
    std::printf("%s: %s = %s (type %u, %zu bytes)\n", path.shown.c_str(), quoted(nameText).c_str(), shown.c_str(),
                unsigned(type), data.size());
    return exitDone;
}

int deleteValue(const KeyPath& path, const std::string& nameText)
{
    std::u16string name;
    if (!utf8ToUtf16(nameText, name))
        return usageError("the value name is not valid UTF-8");
    RegistryKey key = nullptr;
    if (!openKey(path, &key))
        return reportFailure("no key " + path.shown);
    bool deleted = deleteRegistryValue(key, name.c_str());
    closeRegistryKey(key);
    if (!deleted)
        return reportFailure("no value " + quoted(nameText) + " in " + path.shown);
    std::printf("%s: deleted %s\n", path.shown.c_str(), quoted(nameText).c_str());
    return exitDone;
}

int deleteKey(const KeyPath& path)
{
    if (path.wide.empty()) {
        std::fprintf(stderr, "quibreg: %s itself cannot be deleted\n", rootName);
        return exitFailed;
    }
    if (!deleteRegistryKey(path.wide.c_str()))
        return reportFailure("no key " + path.shown);
    std::printf("deleted %s\n", path.shown.c_str());
    return exitDone;
}

// Appends a key and everything under it, sub-keys in name order. One key
// is open at a time.
bool exportKey(const std::u16string& wide, const std::string& shown, std::string& text)
{
    RegistryKey key = nullptr;
    if (!openRegistryKey(wide.c_str(), registryAllAccess, &key))
        return false;
    std::vector<Value> values;
    std::vector<std::u16string> subKeys;
    bool read = readKey(key, values, subKeys);
    closeRegistryKey(key);
    if (!read)
        return false;
    text += "\n[" + shown + "]\n";
    for (const Value& v : values)
        text += exportedValue(v);
    for (const std::u16string& subKey : subKeys) {
        std::u16string childWide = wide.empty() ? subKey : wide + u"\\" + subKey;
        if (!exportKey(childWide, shown + "\\" + shownName(subKey.c_str()), text))
            return false;
    }
    return true;
}

int exportTree(const KeyPath& path, const char* fileName)
{
    std::string text = "Windows Registry Editor Version 5.00\n";
    if (!exportKey(path.wide, path.shown, text))
        return reportFailure("no key " + path.shown);
    bool toStdout = fileName == nullptr || std::strcmp(fileName, "-") == 0;
    std::FILE* out = toStdout ? stdout : std::fopen(fileName, "w");
    if (out == nullptr) {
        std::fprintf(stderr, "quibreg: cannot write %s: %s\n", fileName, std::strerror(errno));
        return exitFailed;
    }
    errno = 0;
    bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    int error = errno;
    written = (toStdout ? std::fflush(out) : std::fclose(out)) == 0 && written;
    if (!written) {
        error = error != 0 ? error : errno;
        std::fprintf(stderr, "quibreg: cannot write %s: %s\n", toStdout ? "to standard output" : fileName,
                     std::strerror(error));
        return exitFailed;
    }
    return exitDone;
}

// True when the host folder holds no registry file yet, found without
// making the folder: reading an empty registry must leave nothing behind.
bool noRegistryYet(std::string& file)
{
    char folder[PATH_MAX];
    if (!hostFolderName(folder, sizeof folder))
        return false;
    file = std::string(folder) + folderSeparator + registryFileName;
#ifdef _WIN32
    return false; // the system's registry is always there
#else
    return !somethingAt(file);
#endif
}

int showWhere()
{
    std::string missing;
    if (noRegistryYet(missing)) {
        std::printf("%s\n", missing.c_str());
        return exitDone;
    }
    std::string file = storeFile();
    if (file.empty())
        return reportFailure("");
    std::printf("%s\n", file.c_str());
    return exitDone;
}

// Options come only before the command. Any other word there, one that
// looks like an option too, is an unknown command.
enum RegistryOption { registryVersion = 256 };
const option registryOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, registryVersion},
    {nullptr, 0, nullptr, 0},
};

} // namespace

int main(int argc, char** argv)
{
    argv = programArguments(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return usageError("a command is needed");
    const std::string& command = args[0];
    optind = 0;
    opterr = 0;
    const char* word = nullptr;
    int found = nextWholeOption(argc, argv, "+h", registryOptions, &word);
    if (found == 'h') {
        std::fputs(usage, stdout);
        return exitDone;
    }
    if (found == registryVersion) {
        std::puts("quibreg " QUIB_VERSION);
        return exitDone;
    }
    if (command == "where")
        return args.size() == 1 ? showWhere() : usageError("'where' takes no arguments");

    struct Shape {
        const char* name;
        std::size_t least, most; // arguments after the command
        const char* form;
    };
    static const Shape shapes[] = {
        {"list", 1, 2, "list KEY [NAME]"},
        {"set", 4, 4, "set KEY NAME number|string DATA"},
        {"delete", 2, 2, "delete KEY NAME (delete-key KEY deletes a key)"},
        {"delete-key", 1, 1, "delete-key KEY"},
        {"export", 1, 2, "export KEY [FILE]"},
    };
    const Shape* shape = nullptr;
    for (const Shape& s : shapes)
        if (command == s.name)
            shape = &s;
    if (shape == nullptr)
        return usageError(("unknown command '" + command + "'").c_str());
    std::size_t given = args.size() - 1;
    if (given < shape->least || given > shape->most)
        return usageError((std::string("usage: quibreg ") + shape->form).c_str());

    KeyPath path;
    if (!parseKeyPath(args[1], path))
        return usageError("the key path is not valid UTF-8");

    std::string missing;
    if (command != "set" && noRegistryYet(missing)) {
        std::fprintf(stderr, "quibreg: the key '%s' was not found: there is no registry file %s yet\n",
                     args[1].c_str(), missing.c_str());
        return exitFailed;
    }
    if (command == "list")
        return listKey(path, given == 2 ? &args[2] : nullptr);
    if (command == "set")
        return setValue(path, args[2], args[3], args[4]);
    if (command == "delete")
        return deleteValue(path, args[2]);
    if (command == "delete-key")
        return deleteKey(path);
    return exportTree(path, given == 2 ? args[2].c_str() : nullptr);
}
