// The data the game cannot start without: the system font and its picture, the front end's
// scene file and the scene files of the levels and their screens. Checked before the game
// is made, so that a player who starts the game where its data is not finds out which file
// is missing or damaged and where it was looked for, instead of meeting a black or frozen
// screen. Scene files are read whole for their structure, with the game's own scene reader,
// and nothing they name is loaded; the font's picture is decoded whole by the game's own
// image reader. Files the game can run without (other pictures, sounds, music) are not
// checked: a missing or damaged one is skipped as before. The comic is checked where it is
// loaded, with the same reading (Comic.h): a damaged comic is named and skipped.
#pragma once

#include <string>

// Empty when everything needed can be read; else the message to show, naming the first file
// that is missing or damaged and the places it was looked for (the working folder and the
// pack file).
std::string CheckStartupData();

// The message for a data file that could not be read: whether it is missing or damaged,
// where it was looked for or found (the working folder, the pack file), and, when the pack
// itself is damaged, how.
std::string DescribeUnreadableDataFile(const std::string& path);

// Makes the game factory check the start-up data before it makes the game, and refuse
// with the message when it cannot start (after RegisterMainGame). The program does this;
// tests that run the game over data of their own need not.
void RequireStartupData();
