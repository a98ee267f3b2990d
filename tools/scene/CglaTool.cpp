// cglatool: converts Gla scene files between the binary ".cgla" form and readable JSON.
//
//   cglatool tojson <in.cgla> [out.json]          (standard output when no out file)
//   cglatool tocgla <in.json> <out.cgla> [--version N] [--fill-needed]
//   cglatool check  <in.cgla>                     (reads the file, lists its scenes)
//
// The version written is the JSON's "version" unless --version is given. --fill-needed
// adds to each scene's needed list every scene it reaches through scene references, so
// that a one-scene load finds them. Resources are not loaded: the files keep the names
// they were given.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaJson.h"
#include "scene/GlaNeeded.h"
#include "scene/GlaWriter.h"

namespace
{
int Usage()
{
    std::fprintf(stderr,
                 "usage: cglatool tojson <in.cgla> [out.json]\n"
                 "       cglatool tocgla <in.json> <out.cgla> [--version N] [--fill-needed]\n"
                 "       cglatool check <in.cgla>\n");
    return 2;
}

// The number of --version: 1 to 65535, all of the text; -1 for anything else.
int ParseVersion(const char* text)
{
    const char* end = text + std::strlen(text);
    int value = 0;
    const auto [stop, failure] = std::from_chars(text, end, value);
    return failure == std::errc() && stop == end && value >= 1 && value <= 0xFFFF ? value : -1;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

std::unique_ptr<cGlaSet> ReadCgla(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes))
    {
        std::fprintf(stderr, "cglatool: cannot read %s\n", path.c_str());
        return nullptr;
    }
    std::unique_ptr<cGlaSet> set(ParseGlaSetFromMemory(bytes.data(), bytes.size(), {}, DirectoryOfPath(path)));
    if (!set)
        std::fprintf(stderr, "cglatool: %s is not a valid scene file\n", path.c_str());
    return set;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const std::string command = argv[1];
    if (command == "tojson" || command == "check")
    {
        std::unique_ptr<cGlaSet> set = ReadCgla(argv[2]);
        if (!set)
            return 1;
        if (command == "check")
        {
            for (const cGlaScene* scene : set->scenes)
                std::printf("%s: %d frames, %zu elements\n", scene->GetName().c_str(), scene->frameCount,
                            scene->elements.size());
            return 0;
        }
        // Names are bytes; any that are not UTF-8 are shown with replacement characters.
        const std::string text = GlaSetToJson(*set).dump(1, ' ', false, GlaJson::error_handler_t::replace) + "\n";
        if (argc >= 4)
        {
            std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
            out << text;
            if (!out)
            {
                std::fprintf(stderr, "cglatool: cannot write %s\n", argv[3]);
                return 1;
            }
        }
        else
            std::fputs(text.c_str(), stdout);
        return 0;
    }
    if (command == "tocgla")
    {
        if (argc < 4)
            return Usage();
        int version = -1;
        bool fillNeeded = false;
        for (int i = 4; i < argc; ++i)
        {
            if (std::string(argv[i]) == "--version" && i + 1 < argc)
            {
                version = ParseVersion(argv[++i]);
                if (version < 0)
                {
                    std::fprintf(stderr, "cglatool: --version needs a whole number from 1 to 65535, not \"%s\"\n",
                                 argv[i]);
                    return 1;
                }
            }
            else if (std::string(argv[i]) == "--fill-needed")
                fillNeeded = true;
            else
                return Usage();
        }
        std::vector<uint8_t> text;
        if (!ReadFile(argv[2], text))
        {
            std::fprintf(stderr, "cglatool: cannot read %s\n", argv[2]);
            return 1;
        }
        std::string error;
        std::unique_ptr<cGlaSet> set(GlaSetFromJsonText(
            std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), argv[2], &error));
        if (!set)
        {
            std::fprintf(stderr, "cglatool: %s\n", error.c_str());
            return 1;
        }
        if (fillNeeded)
            FillNeededScenes(*set);
        // A set may carry version 0 (read from a file that had it), which no file is written as.
        if (version < 0)
            version = set->version;
        if (version < 1)
        {
            std::fprintf(stderr, "cglatool: %s: version: %d cannot be written; give --version from 1 to 65535\n",
                         argv[2], version);
            return 1;
        }
        if (!WriteGlaSetFile(*set, static_cast<uint16_t>(version), argv[3], &error))
        {
            std::fprintf(stderr, "cglatool: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    return Usage();
}
