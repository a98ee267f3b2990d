// Helpers every test program can use.
#pragma once

#include <filesystem>

namespace tvtest
{
// The program's private working folder (also the current directory at start);
// HOME and XDG_DATA_HOME point at folders inside it.
const std::filesystem::path& WorkFolder();

// The root of the source tree, for tests that read committed fixtures.
std::filesystem::path SourceDir();
} // namespace tvtest
