// The disk side of the file system on this platform: program paths use
// backslashes and ignore letter case, the disk does neither.
#pragma once

#include <string>
#include <vector>

#include "grib/vfs/vfs.h"

namespace gribdisk {


// Turns a program path into a disk path: backslashes become slashes and each
// component is looked up without regard to case (an exact match wins).
// With allowMissingLast the final component may be absent (it is kept as
// written, for creating files). False when the path can't be resolved.
bool Resolve(const char* path, std::string& out, bool allowMissingLast);

// Windows-style wildcard match used for disk names: '*' any run, '?' one
// character, case-insensitive, "*.*" matches every name.
bool Match(const char* name, const char* pattern);

// Every disk entry a find pattern matches, in find order: "." and ".." first
// when the pattern matches them, then the rest sorted without regard to case.
std::vector<FindData> Find(const char* pattern);

// Fills a FindData name field (cut to fit).
void SetName(FindData& data, const char* name);

}  // namespace gribdisk
