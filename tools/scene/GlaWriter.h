// The ".cgla" scene file writer: the mirror of the engine's reader.
//
// Writes a cGlaSet in a chosen file version. Fields that the version does not carry are
// left out, exactly as the reader leaves them at their defaults; resource keys and fields
// are written by the names kept beside them, and references by their names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cGlaSet;

// False, with a message, when a value does not fit the format (a string over 255 bytes,
// a count over its field's range, an element without a record code).
bool WriteGlaSet(const cGlaSet& set, uint16_t version, std::vector<uint8_t>& out, std::string* error = nullptr);
bool WriteGlaSetFile(const cGlaSet& set, uint16_t version, const std::string& path, std::string* error = nullptr);

// Fills every scene-reference key and element reference of the set from the names kept
// beside them, the way the reader does at the end of a file (used after building a set
// by hand or from text).
void ResolveGlaReferences(cGlaSet& set);
