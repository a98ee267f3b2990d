// tvdatagen: makes the generated parts of the sample data tree.
//
//   tvdatagen font <out-stem> <scale> [outline]  <stem>.bin and <stem>.png
//   tvdatagen pictures <list.txt> <root>         every picture of the list, below root
//   tvdatagen scenes <res-root> <json-folder>    the scene files, their art and JSON forms
//   tvdatagen save <out-file> <preset>           a "Data.sav" fixture: fresh, mid or all-open
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "datagen/FontBaker.h"
#include "datagen/Pictures.h"
#include "datagen/SampleScenes.h"
#include "datagen/SaveFixture.h"

namespace
{
int Usage()
{
    std::fprintf(stderr,
                 "usage: tvdatagen font <out-stem> <scale> [outline]\n"
                 "       tvdatagen pictures <list.txt> <root>\n"
                 "       tvdatagen scenes <res-root> <json-folder>\n"
                 "       tvdatagen save <out-file> fresh|mid|all-open\n");
    return 2;
}

int Pictures(const std::string& listPath, const std::string& root)
{
    std::string error;
    if (!datagen::WritePictureList(listPath, root, &error))
    {
        std::fprintf(stderr, "tvdatagen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "font" && (argc == 4 || argc == 5))
    {
        const int scale = std::atoi(argv[3]);
        const int outline = argc == 5 ? std::atoi(argv[4]) : 0;
        if (scale < 1 || scale > 32 || outline < 0 || outline > scale)
            return Usage();
        if (!datagen::WriteFont(datagen::BakeFont(scale, outline), argv[2]))
        {
            std::fprintf(stderr, "tvdatagen: cannot write the font %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc != 4)
        return Usage();
    if (command == "save")
    {
        const std::vector<uint8_t> bytes = datagen::BuildSaveFixture(argv[3]);
        if (bytes.empty())
            return Usage();
        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out)
        {
            std::fprintf(stderr, "tvdatagen: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (command == "pictures")
        return Pictures(argv[2], argv[3]);
    if (command == "scenes")
    {
        for (const datagen::SceneFile& file : datagen::BuildAllScenes())
        {
            std::string error;
            if (!file.Write(argv[2], std::string(argv[3]) + "/" + file.FileName() + ".json", &error))
            {
                std::fprintf(stderr, "tvdatagen: %s: %s\n", file.FileName().c_str(), error.c_str());
                return 1;
            }
        }
        return 0;
    }
    return Usage();
}
