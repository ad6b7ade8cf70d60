#include "os/process_registry.h"

#include "os/host_folder.h"

#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wctype.h>

namespace {

// How long a call waits for another process that holds the store.
constexpr int busyTimeoutMilliseconds = 5000;

// Marks the file as this store ("QUIB") and the layout of its tables, so a
// database of anything else is recognised and left alone.
constexpr int storeApplicationId = 0x51554942;
constexpr int storeLayoutVersion = 1;

constexpr sqlite3_int64 rootKeyId = 1;

// Keys form a tree by parent id; each key row also carries its whole path
// folded to upper case (UTF-16LE bytes), which finds a key in one look-up
// and makes paths unique without regard to case. Values are found by key
// and folded name; their rowid keeps the order in which they were first set.
const char storeSchema[] = R"(
CREATE TABLE registry_key (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER REFERENCES registry_key(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    fold BLOB NOT NULL UNIQUE
);
CREATE INDEX registry_key_parent ON registry_key(parent);
CREATE TABLE registry_value (
    key INTEGER NOT NULL REFERENCES registry_key(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    fold BLOB NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE (key, fold)
);
INSERT INTO registry_key (id, parent, name, fold) VALUES (1, NULL, '', x'');
PRAGMA application_id = 1364543810;
PRAGMA user_version = 1;
)";
static_assert(storeApplicationId == 1364543810 && storeLayoutVersion == 1, "keep the schema's pragmas in step");

enum Statement {
    findKey,
    insertKey,
    queryValue,
    setValue,
    deleteValue,
    deleteKey,
    subKeyAt,
    valueAt,
    beginWrite,
    commitWrite,
    rollbackWrite,
    statementCount
};

const char* const statementText[statementCount] = {
    "SELECT id FROM registry_key WHERE fold = ?1",
    "INSERT INTO registry_key (parent, name, fold) VALUES (?1, ?2, ?3) ON CONFLICT (fold) DO NOTHING",
    "SELECT type, data FROM registry_value WHERE key = ?1 AND fold = ?2",
    "INSERT INTO registry_value (key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT (key, fold) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM registry_value WHERE key = ?1 AND fold = ?2",
    "DELETE FROM registry_key WHERE id = ?1",
    "SELECT name FROM registry_key WHERE parent = ?1 ORDER BY name COLLATE NOCASE, id LIMIT 1 OFFSET ?2",
    "SELECT name, type, data FROM registry_value WHERE key = ?1 ORDER BY rowid LIMIT 1 OFFSET ?2",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
};

// One connection per process, opened on first use and kept; it is opened
// again when the host folder changes or after a fork (a connection must not
// be shared with a child process).
struct Store {
    sqlite3* db = nullptr;
    pid_t owner = 0;
    unsigned generation = 0; // bumped per connection; handles of older ones fail
    bool broken = false;     // damage found during a call: checked again on the next open
    char path[PATH_MAX] = {};
    dev_t device = 0; // the file the connection has open: a file moved away
    ino_t inode = 0;  // or replaced meanwhile is not written to any more
    sqlite3_stmt* statements[statementCount] = {};
};

Store store;

// A parent's connection, inherited through fork: never used or closed here,
// only kept reachable.
sqlite3* inheritedConnection = nullptr;

RegistryStatus status = RegistryStatus::ok;

} // namespace

struct RegistryKeyHandle {
    bool inUse;
    unsigned generation;
    sqlite3_int64 id;
};

namespace {

// The program holds one key at a time, the tools a few; a small table does.
constexpr std::size_t keySlotCount = 16;
RegistryKeyHandle keySlots[keySlotCount];

bool fail(RegistryStatus why)
{
    status = why;
    return false;
}

bool succeed()
{
    status = RegistryStatus::ok;
    return true;
}

RegistryStatus statusOf(int code)
{
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return RegistryStatus::busy;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
        return RegistryStatus::damaged;
    case SQLITE_CONSTRAINT:
        return RegistryStatus::notFound; // the key was deleted meanwhile
    case SQLITE_CANTOPEN:
        return RegistryStatus::noStore;
    default:
        return RegistryStatus::failed;
    }
}

// Records a failed step; damage makes the connection unusable until reopened.
bool failStep(int code)
{
    RegistryStatus why = statusOf(code);
    if (why == RegistryStatus::damaged)
        store.broken = true;
    return fail(why);
}

// ---- Names --------------------------------------------------------------

// Upper-cases one UTF-16 unit, as names are compared: ASCII always, other
// letters of the Basic Multilingual Plane through the C library's Unicode
// tables. Surrogates stay as they are.
char16_t foldUnit(char16_t c)
{
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? char16_t(c - (u'a' - u'A')) : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    if (unicode == locale_t(0))
        return c;
    wint_t upper = towupper_l(wint_t(c), unicode);
    if (upper > 0xFFFF || (upper >= 0xD800 && upper <= 0xDFFF))
        return c;
    return char16_t(upper);
}

// A folded key path or value name as the bytes stored for look-up.
struct Folded {
    unsigned char bytes[registryMaxPath * 2];
    int size = 0;
};

void fold(const char16_t* text, std::size_t length, Folded& out)
{
    for (std::size_t i = 0; i < length; ++i) {
        char16_t c = foldUnit(text[i]);
        out.bytes[2 * i] = static_cast<unsigned char>(c & 0xFF);
        out.bytes[2 * i + 1] = static_cast<unsigned char>(c >> 8);
    }
    out.size = int(length * 2);
}

std::size_t unitsOf(const char16_t* text, std::size_t limit)
{
    std::size_t n = 0;
    while (n < limit && text[n] != u'\0')
        ++n;
    return n;
}

// A key path: parts separated by single backslashes, none empty, each
// shorter than registryMaxName; the empty path is the root.
bool measurePath(const char16_t* path, std::size_t* length)
{
    if (path == nullptr)
        return false;
    std::size_t n = unitsOf(path, registryMaxPath);
    if (n >= registryMaxPath)
        return false;
    std::size_t part = 0;
    for (std::size_t i = 0; i <= n; ++i) {
        if (i < n && path[i] != u'\\') {
            ++part;
            continue;
        }
        if (n > 0 && (part == 0 || part >= registryMaxName))
            return false;
        part = 0;
    }
    *length = n;
    return true;
}

bool measureName(const char16_t* name, std::size_t* length)
{
    if (name == nullptr)
        return false;
    std::size_t n = unitsOf(name, registryMaxName);
    if (n >= registryMaxName)
        return false;
    *length = n;
    return true;
}

// ---- The connection -----------------------------------------------------

// A statement is prepared on its first use in a connection and kept: a run
// asks for a few of the statements only, and preparing one costs more than
// running it. A statement the store's tables do not take marks the store
// damaged, as the check at opening would.
int prepareStatement(Statement which)
{
    sqlite3_stmt*& s = store.statements[which];
    if (s != nullptr)
        return SQLITE_OK;
    int code = sqlite3_prepare_v3(store.db, statementText[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    if (code == SQLITE_OK)
        return code;
    sqlite3_finalize(s);
    s = nullptr;
    int kind = code & 0xFF;
    return kind == SQLITE_BUSY || kind == SQLITE_LOCKED || kind == SQLITE_NOMEM ? code : SQLITE_CORRUPT;
}

// Puts a cached statement back for its next use when an operation ends.
// Binding to a statement that could not be prepared does nothing; its step
// reports why it could not be.
struct StatementUse {
    int prepared;
    sqlite3_stmt* s;
    explicit StatementUse(Statement which) : prepared(prepareStatement(which)), s(store.statements[which]) {}
    ~StatementUse()
    {
        if (s == nullptr)
            return;
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    }
    int step() { return s != nullptr ? sqlite3_step(s) : prepared; }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;
};

bool runStatement(Statement which)
{
    StatementUse use(which);
    int code = use.step();
    return code == SQLITE_DONE || failStep(code);
}

int readNumber(sqlite3* db, const char* sql, int* value)
{
    sqlite3_stmt* s = nullptr;
    int code = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    if (code == SQLITE_OK) {
        code = sqlite3_step(s);
        if (code == SQLITE_ROW) {
            *value = sqlite3_column_int(s, 0);
            code = SQLITE_OK;
        }
    }
    int finished = sqlite3_finalize(s);
    return code != SQLITE_OK ? code : finished;
}

// A fresh file gets the tables inside one write transaction. Another
// process may have done it meanwhile; a database that already holds
// anything else is not ours and stays untouched.
RegistryStatus initialiseStore(sqlite3* db)
{
    int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        return statusOf(code);
    int application = 0, objects = 0;
    code = readNumber(db, "PRAGMA application_id", &application);
    if (code == SQLITE_OK)
        code = readNumber(db, "SELECT count(*) FROM sqlite_schema", &objects);
    RegistryStatus result = RegistryStatus::ok;
    if (code != SQLITE_OK)
        result = statusOf(code);
    else if (application == storeApplicationId)
        result = RegistryStatus::ok;
    else if (application != 0 || objects != 0)
        result = RegistryStatus::damaged;
    else {
        code = sqlite3_exec(db, storeSchema, nullptr, nullptr, nullptr);
        if (code == SQLITE_OK)
            code = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        if (code == SQLITE_OK)
            return RegistryStatus::ok;
        result = statusOf(code);
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return result;
}

// Reads before it writes: a file that is not a registry database, or whose
// pages are damaged or missing, is found out without a byte written to it.
RegistryStatus checkStore(sqlite3* db, const char* path)
{
    int code = sqlite3_exec(db, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);
    int application = 0;
    if (code == SQLITE_OK)
        code = readNumber(db, "PRAGMA application_id", &application);
    if (code != SQLITE_OK)
        return statusOf(code);
    if (application != storeApplicationId) {
        RegistryStatus made = initialiseStore(db);
        if (made != RegistryStatus::ok)
            return made;
    }
    int layout = 0;
    code = readNumber(db, "PRAGMA user_version", &layout);
    if (code != SQLITE_OK)
        return statusOf(code);
    if (layout != storeLayoutVersion)
        return RegistryStatus::damaged;

    // A file cut short, even inside its last page, is damaged: the missing
    // bytes would read as zeros.
    int pages = 0, pageSize = 0;
    code = readNumber(db, "PRAGMA page_count", &pages);
    if (code == SQLITE_OK)
        code = readNumber(db, "PRAGMA page_size", &pageSize);
    if (code != SQLITE_OK)
        return statusOf(code);
    struct stat file;
    if (stat(path, &file) != 0)
        return RegistryStatus::noStore;
    if (pageSize <= 0 || file.st_size % pageSize != 0 || file.st_size < off_t(pages) * pageSize)
        return RegistryStatus::damaged;

    sqlite3_stmt* s = nullptr;
    code = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &s, nullptr);
    RegistryStatus result = RegistryStatus::damaged;
    if (code == SQLITE_OK) {
        code = sqlite3_step(s);
        if (code == SQLITE_ROW) {
            const unsigned char* verdict = sqlite3_column_text(s, 0);
            if (verdict != nullptr && std::strcmp(reinterpret_cast<const char*>(verdict), "ok") == 0)
                result = RegistryStatus::ok;
        } else {
            result = statusOf(code);
        }
    } else {
        result = statusOf(code);
    }
    sqlite3_finalize(s);
    return result;
}

void finalizeStatements(sqlite3_stmt** statements)
{
    for (int i = 0; i < statementCount; ++i) {
        sqlite3_finalize(statements[i]);
        statements[i] = nullptr;
    }
}

void closeStore()
{
    finalizeStatements(store.statements);
    sqlite3_close(store.db);
    store.db = nullptr;
    store.broken = false;
}

bool openStore(const char* path)
{
    // Created here so that it gets mode 0600; an empty file is a fresh store.
    // Neither the creation nor the open goes through a link: one planted in
    // the host folder would have the store written elsewhere.
    int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0)
        close(fd);
    else if (errno != EEXIST)
        return fail(RegistryStatus::noStore);

    // The store holds a few small rows: no lookaside slots (about 120 KiB
    // that SQLite would set aside, and touch, for each connection) and no
    // page-cache memory taken ahead. Set before SQLite's first use, which
    // is this open; later calls are refused by SQLite and change nothing.
    static bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, static_cast<void*>(nullptr), 0, 0);
        return true;
    }();
    (void)configured;

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return fail(RegistryStatus::noStore);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyTimeoutMilliseconds);
    // A page cache the size of the store (a few pages): SQLite would
    // otherwise set aside room for 20 pages in each of the tool's and the
    // driver library's connections at their first read.
    sqlite3_exec(db, "PRAGMA cache_size = 10", nullptr, nullptr, nullptr);

    RegistryStatus checked = checkStore(db, path);
    if (checked != RegistryStatus::ok) {
        sqlite3_close(db);
        return fail(checked);
    }

    struct stat file;
    if (stat(path, &file) != 0) {
        sqlite3_close(db);
        return fail(RegistryStatus::noStore);
    }
    store.db = db;
    store.device = file.st_dev;
    store.inode = file.st_ino;
    store.owner = getpid();
    ++store.generation;
    store.broken = false;
    for (sqlite3_stmt*& s : store.statements)
        s = nullptr;
    std::snprintf(store.path, sizeof store.path, "%s", path);
    return true;
}

// Makes the connection to the current host folder's store ready.
bool useStore()
{
    char path[PATH_MAX];
    if (!hostFilePath(registryFileName, path, sizeof path))
        return fail(RegistryStatus::noStore);
    if (store.db != nullptr && store.owner != getpid()) {
        inheritedConnection = store.db;
        store.db = nullptr;
        for (sqlite3_stmt*& s : store.statements)
            s = nullptr;
    }
    struct stat file;
    if (store.db != nullptr && !store.broken && std::strcmp(store.path, path) == 0 && stat(path, &file) == 0 &&
        file.st_dev == store.device && file.st_ino == store.inode)
        return true;
    if (store.db != nullptr)
        closeStore();
    return openStore(path);
}

// A handle from this process's current connection, to a key not known to
// be gone.
bool usable(RegistryKey key)
{
    bool known = false;
    for (const RegistryKeyHandle& slot : keySlots)
        known = known || (&slot == key);
    if (!known || !key->inUse || key->generation != store.generation || store.db == nullptr ||
        store.owner != getpid())
        return fail(RegistryStatus::invalid);
    if (store.broken)
        return fail(RegistryStatus::damaged);
    return true;
}

bool takeSlot(sqlite3_int64 id, RegistryKey* key)
{
    for (RegistryKeyHandle& slot : keySlots) {
        if (!slot.inUse) {
            slot = RegistryKeyHandle{true, store.generation, id};
            *key = &slot;
            return succeed();
        }
    }
    return fail(RegistryStatus::failed);
}

// ---- Keys -----------------------------------------------------------------

bool findKeyId(const Folded& path, sqlite3_int64* id)
{
    StatementUse use(findKey);
    sqlite3_bind_blob(use.s, 1, path.bytes, path.size, SQLITE_STATIC);
    int code = use.step();
    if (code == SQLITE_ROW) {
        *id = sqlite3_column_int64(use.s, 0);
        return true;
    }
    return code == SQLITE_DONE ? fail(RegistryStatus::notFound) : failStep(code);
}

bool insertKeyPart(sqlite3_int64 parent, const char16_t* name, std::size_t length, const Folded& path)
{
    StatementUse use(insertKey);
    sqlite3_bind_int64(use.s, 1, parent);
    sqlite3_bind_text16(use.s, 2, name, int(length * 2), SQLITE_STATIC);
    sqlite3_bind_blob(use.s, 3, path.bytes, path.size, SQLITE_STATIC);
    int code = use.step();
    return code == SQLITE_DONE || failStep(code);
}

// Creates every missing key along the path in one transaction.
bool createKeyPath(const char16_t* path, std::size_t length, sqlite3_int64* id)
{
    Folded folded;
    fold(path, length, folded);
    if (findKeyId(folded, id))
        return true;
    if (status != RegistryStatus::notFound)
        return false;
    if (!runStatement(beginWrite))
        return false;
    sqlite3_int64 parent = rootKeyId;
    bool ok = true;
    for (std::size_t start = 0, end = 0; ok && end <= length; ++end) {
        if (end < length && path[end] != u'\\')
            continue;
        Folded prefix;
        fold(path, end, prefix);
        ok = insertKeyPart(parent, path + start, end - start, prefix) && findKeyId(prefix, &parent);
        start = end + 1;
    }
    if (ok && runStatement(commitWrite)) {
        *id = parent;
        return true;
    }
    RegistryStatus why = status;
    runStatement(rollbackWrite);
    return fail(why);
}

} // namespace

bool openRegistryKey(const char16_t* path, std::uint32_t, RegistryKey* key)
{
    if (key == nullptr)
        return fail(RegistryStatus::invalid);
    *key = nullptr;
    std::size_t length = 0;
    if (!measurePath(path, &length))
        return fail(RegistryStatus::invalid);
    if (!useStore())
        return false;
    Folded folded;
    fold(path, length, folded);
    sqlite3_int64 id = 0;
    return findKeyId(folded, &id) && takeSlot(id, key);
}

bool createRegistryKey(const char16_t* path, RegistryKey* key)
{
    if (key == nullptr)
        return fail(RegistryStatus::invalid);
    *key = nullptr;
    std::size_t length = 0;
    if (!measurePath(path, &length))
        return fail(RegistryStatus::invalid);
    if (!useStore())
        return false;
    sqlite3_int64 id = 0;
    return createKeyPath(path, length, &id) && takeSlot(id, key);
}

void closeRegistryKey(RegistryKey key)
{
    for (RegistryKeyHandle& slot : keySlots) {
        if (&slot == key)
            slot.inUse = false;
    }
}

namespace {

// Hands a value's type and data to the caller as the platform does.
bool deliverValue(sqlite3_stmt* s, int typeColumn, std::uint32_t* type, void* data, std::uint32_t* size)
{
    std::uint32_t storedType = std::uint32_t(sqlite3_column_int64(s, typeColumn));
    const void* stored = sqlite3_column_blob(s, typeColumn + 1);
    std::uint32_t storedSize = std::uint32_t(sqlite3_column_bytes(s, typeColumn + 1));
    if (type != nullptr)
        *type = storedType;
    if (data != nullptr) {
        bool fits = storedSize <= *size;
        *size = storedSize;
        if (!fits)
            return fail(RegistryStatus::moreData);
        if (storedSize > 0)
            std::memcpy(data, stored, storedSize);
    } else if (size != nullptr) {
        *size = storedSize;
    }
    return succeed();
}

bool deliverName(sqlite3_stmt* s, int column, char16_t* name, std::size_t capacity)
{
    const void* text = sqlite3_column_text16(s, column);
    std::size_t units = std::size_t(sqlite3_column_bytes16(s, column)) / 2;
    if (units + 1 > capacity)
        return fail(RegistryStatus::moreData);
    if (units > 0)
        std::memcpy(name, text, units * 2);
    name[units] = u'\0';
    return true;
}

} // namespace

bool queryRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t* type, void* data, std::uint32_t* size)
{
    std::size_t length = 0;
    if (!usable(key))
        return false;
    if (!measureName(name, &length) || (data != nullptr && size == nullptr))
        return fail(RegistryStatus::invalid);
    Folded folded;
    fold(name, length, folded);
    StatementUse use(queryValue);
    sqlite3_bind_int64(use.s, 1, key->id);
    sqlite3_bind_blob(use.s, 2, folded.bytes, folded.size, SQLITE_STATIC);
    int code = use.step();
    if (code == SQLITE_ROW)
        return deliverValue(use.s, 0, type, data, size);
    return code == SQLITE_DONE ? fail(RegistryStatus::notFound) : failStep(code);
}

bool setRegistryValue(RegistryKey key, const char16_t* name, std::uint32_t type, const void* data, std::uint32_t size)
{
    std::size_t length = 0;
    if (!usable(key))
        return false;
    if (!measureName(name, &length) || (data == nullptr && size != 0) || size > registryMaxData)
        return fail(RegistryStatus::invalid);
    Folded folded;
    fold(name, length, folded);
    StatementUse use(setValue);
    sqlite3_bind_int64(use.s, 1, key->id);
    sqlite3_bind_text16(use.s, 2, name, int(length * 2), SQLITE_STATIC);
    sqlite3_bind_blob(use.s, 3, folded.bytes, folded.size, SQLITE_STATIC);
    sqlite3_bind_int64(use.s, 4, sqlite3_int64(type));
    if (size == 0)
        sqlite3_bind_zeroblob(use.s, 5, 0);
    else
        sqlite3_bind_blob(use.s, 5, data, int(size), SQLITE_STATIC);
    int code = use.step();
    return code == SQLITE_DONE ? succeed() : failStep(code);
}

bool enumRegistrySubKey(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity)
{
    if (!usable(key))
        return false;
    if (name == nullptr || capacity == 0)
        return fail(RegistryStatus::invalid);
    StatementUse use(subKeyAt);
    sqlite3_bind_int64(use.s, 1, key->id);
    sqlite3_bind_int64(use.s, 2, sqlite3_int64(index));
    int code = use.step();
    if (code == SQLITE_ROW)
        return deliverName(use.s, 0, name, capacity) && succeed();
    return code == SQLITE_DONE ? fail(RegistryStatus::notFound) : failStep(code);
}

bool enumRegistryValue(RegistryKey key, std::uint32_t index, char16_t* name, std::size_t capacity,
                       std::uint32_t* type, void* data, std::uint32_t* size)
{
    if (!usable(key))
        return false;
    if (name == nullptr || capacity == 0 || (data != nullptr && size == nullptr))
        return fail(RegistryStatus::invalid);
    StatementUse use(valueAt);
    sqlite3_bind_int64(use.s, 1, key->id);
    sqlite3_bind_int64(use.s, 2, sqlite3_int64(index));
    int code = use.step();
    if (code == SQLITE_ROW)
        return deliverName(use.s, 0, name, capacity) && deliverValue(use.s, 1, type, data, size);
    return code == SQLITE_DONE ? fail(RegistryStatus::notFound) : failStep(code);
}

bool deleteRegistryValue(RegistryKey key, const char16_t* name)
{
    std::size_t length = 0;
    if (!usable(key))
        return false;
    if (!measureName(name, &length))
        return fail(RegistryStatus::invalid);
    Folded folded;
    fold(name, length, folded);
    StatementUse use(deleteValue);
    sqlite3_bind_int64(use.s, 1, key->id);
    sqlite3_bind_blob(use.s, 2, folded.bytes, folded.size, SQLITE_STATIC);
    int code = use.step();
    if (code != SQLITE_DONE)
        return failStep(code);
    return sqlite3_changes(store.db) > 0 ? succeed() : fail(RegistryStatus::notFound);
}

bool deleteRegistryKey(const char16_t* path)
{
    std::size_t length = 0;
    if (!measurePath(path, &length) || length == 0)
        return fail(RegistryStatus::invalid);
    if (!useStore())
        return false;
    Folded folded;
    fold(path, length, folded);
    sqlite3_int64 id = 0;
    if (!findKeyId(folded, &id))
        return false;
    // Sub-keys and values go with it through the tables' cascades.
    StatementUse use(deleteKey);
    sqlite3_bind_int64(use.s, 1, id);
    int code = use.step();
    if (code != SQLITE_DONE)
        return failStep(code);
    return sqlite3_changes(store.db) > 0 ? succeed() : fail(RegistryStatus::notFound);
}

bool registryNamesEqual(const char16_t* a, const char16_t* b)
{
    for (;; ++a, ++b) {
        if (foldUnit(*a) != foldUnit(*b))
            return false;
        if (*a == u'\0')
            return true;
    }
}

RegistryStatus lastRegistryStatus() { return status; }

bool registryFilePath(char* out, std::size_t capacity) { return hostFilePath(registryFileName, out, capacity); }

// This store offered to the libraries the program loads (process_registry.h).
extern "C" const ProcessRegistry quibProcessRegistry = {
    sizeof(ProcessRegistry), openRegistryKey, createRegistryKey, queryRegistryValue, setRegistryValue,
    closeRegistryKey, enumRegistrySubKey, enumRegistryValue, deleteRegistryValue, deleteRegistryKey,
    registryNamesEqual, lastRegistryStatus,
};

// The store is a file of the person's own: it never refuses a write by right.
bool registryRefusedAWrite() { return false; }
