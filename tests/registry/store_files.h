// The registry file as the tests see it: its bytes, what else lies beside
// it, and damaged files to put in its place.
#pragma once

#include <string>
#include <vector>

// The registry file of the running test's host folder.
std::string registryFile();

// A file's bytes; empty when it cannot be read.
std::string fileBytes(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// The names in a folder, sorted.
std::vector<std::string> folderEntries(const std::string& folder);

// The kinds of unusable registry file: a text file, a header alone, a
// registry truncated to half and by one byte, one with a page wiped, a
// database of something else.
const std::vector<std::string>& damageKinds();

// The bytes of one such file. Registries are made in a scratch folder,
// never through the running test's own store.
std::string damagedStore(const std::string& kind);
// A healthy registry with one of its tables dropped: a file of the right
// kind and layout that the store's statements no longer fit.
std::string storeWithoutTable(const std::string& table);
