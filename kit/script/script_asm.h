// The script assembler and disassembler: a readable text form of .cob files
// (docs/script-assembly.md). Disassembling an assembled file and assembling
// the text again gives the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script/opcodes.h"  // ScriptOps(), the instruction table

// Assembles source text into a .cob image. On failure returns false and sets
// error to "line N: what".
bool AssembleScript(std::string_view source, std::vector<uint8_t>& out, std::string& error);

// Disassembles a .cob image into source text. Fails (false, error set) when
// the loader would reject the file.
bool DisassembleScript(const std::vector<uint8_t>& bytes, std::string& text, std::string& error);
