// Helpers every test program can use.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tvtest
{
// The program's private working folder. Before and after each test it is emptied and
// holds only the folders home, xdg and run again: run is the current directory and HOME
// and XDG_DATA_HOME point at the other two, so no file, setting or save of one test is
// seen by the next, nor by the same test run again. The engine's random generator is set
// back to where a fresh program starts it as well.
const std::filesystem::path& WorkFolder();

// The root of the source tree, for tests that read committed fixtures.
std::filesystem::path SourceDir();

// The sample data tree the build makes (target sample_data): <build>/run, its res/ folder
// and the music beside it. A copy run as nobody (AsNobody.h) that cannot read that tree is
// given a copy of it, and this is the copy there.
std::filesystem::path SampleTree();
// True when the build made the sample tree; otherwise false with the reason in error.
bool SampleTreeMade(std::string& error);
// Makes "res" in the working folder a link to the sample tree's res/ (replacing a res
// already there), as the game finds its data when run from the tree. False, with the
// reason in error, when the tree is missing or the link cannot be made.
bool LinkSampleTree(std::string& error);
// Makes "res" in the working folder a folder of links into the sample tree's res/ that
// leaves out the given files (paths below res/, such as "maps/maps.mac.cgla"): the folders
// on their way are real folders, so that the test can write its own version of each (a
// damaged one, say) beside everything else of the tree. False, with the reason in error,
// when the tree is missing or the links cannot be made.
bool LinkSampleTreeWithout(const std::vector<std::string>& leftOut, std::string& error);
} // namespace tvtest
