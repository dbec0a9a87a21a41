#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "geo/map_classes.h"
#include "tests/support/batch_run.h"
#include "tests/support/test_support.h"

namespace tolven {
namespace {

using test::dataFile;
using test::readFile;
using test::writeFile;

class MapOutputTest : public ::testing::Test {
protected:
    // Runs tolven-batch's parse and run on the grid with these options.
    int runWith(const std::string& input, std::vector<std::string> options) {
        writeFile(inputPath, input);
        options.insert(options.begin(), {"--quiet", "--threads", "2", "--maps", mapsPath,
                                         "--boundaries", grid, "--join-field", "code"});
        options.push_back(inputPath);
        messages.shown.clear();
        return test::runBatchWith(options, messages);
    }

    std::vector<std::string> mapFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(mapsPath))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir;
    test::RecordedMessages messages;
    const std::string inputPath = dir.file("in.txt");
    const std::string tablePath = dir.file("inout.txt");
    const std::string mapsPath = dir.file("maps");
    const std::string grid = dataFile("geo/grid.gpkg");
};

// Unit 1's ratios fall into five of the seven classes (none in 80-<90 and
// 110-<120); unit 2 has a region of its own.
const char* const CLASSED_INPUT =
    "1 A01 3 10.0\n1 A02 6 10.0\n1 A03 10 10.0\n1 A04 13 10.0\n1 A05 20 10.0\n"
    "2 A06 4 4.0\n2 A07 5 5.0\n";

TEST_F(MapOutputTest, EveryUnitHasAMapWithItsRegionsInTheirClassColours) {
    ASSERT_EQ(runWith(CLASSED_INPUT, {"--map-value", "ratio"}), 0) << messages.shown.size();
    EXPECT_EQ(mapFiles(), (std::vector<std::string>{"unit_1.png", "unit_2.png"}));
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(mapsPath + "/unit_1.png"), "PNG"));
    EXPECT_EQ(image.width(), 2126);  // 180 mm at 300 dpi
    EXPECT_EQ(image.height(), 1417);
    std::map<QRgb, long> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ++pixels[image.pixel(x, y) | 0xff000000u];
    // The legend shows a swatch of every class; a class with regions has
    // their cells too, many times a swatch's area.
    const auto count = [&](std::size_t k) {
        return pixels[QColor(QLatin1String(RATIO_CLASSES[k].colour)).rgb()];
    };
    const long swatch = std::max(count(2), count(4));
    EXPECT_GT(swatch, 0);
    for (const std::size_t k : {0u, 1u, 3u, 5u, 6u}) {
        EXPECT_GT(count(k), 5 * swatch) << RATIO_CLASSES[k].label;
    }
    EXPECT_GT(pixels[qRgb(0, 0, 0)], 0);  // outlines and text
}

TEST_F(MapOutputTest, WholeFileModeAndTheVectorFormats) {
    const struct {
        const char* format;
        const char* value;
        const char* start;
        const char* tableHeader;  // a column the value needs, or ""
    } cases[] = {
        {"svg", "eb-mle", "<?xml", ""},
        {"pdf", "p-mle", "%PDF-", "P(>100%)(MLE)"},
        {"png", "eb-local", "\x89PNG", "EB-Ratio(Local)(%)"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(mapsPath);
        ASSERT_EQ(runWith("-1 A01 3 2.5\n1 A02 0 1.5\n1 A03 5 3.0\n2 A04 7 3.5\n",
                          {"--map-format", c.format, "--map-value", c.value, "--neighbours",
                           "queen", "--local-eb"}),
                  0)
            << c.format;
        const std::string name = std::string("unit_all.") + c.format;
        EXPECT_EQ(mapFiles(), std::vector<std::string>{name});
        EXPECT_EQ(readFile(mapsPath + "/" + name).rfind(c.start, 0), 0u) << c.format;
        EXPECT_NE(readFile(tablePath).find(c.tableHeader), std::string::npos) << c.value;
    }
}

TEST_F(MapOutputTest, OldMapsStayWhenTheRunFails) {
    std::filesystem::create_directory(mapsPath);
    writeFile(mapsPath + "/unit_1.png", "old map");
    // The table cannot be written; then a map cannot (a folder holds its name).
    std::filesystem::create_directory(tablePath);
    EXPECT_EQ(runWith(CLASSED_INPUT, {}), 1);
    std::filesystem::remove(tablePath);
    std::filesystem::create_directory(mapsPath + "/unit_2.png");
    EXPECT_EQ(runWith(CLASSED_INPUT, {}), 1);
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_NE(messages.shown.back().find("地図ファイル"), std::string::npos);
    EXPECT_EQ(readFile(mapsPath + "/unit_1.png"), "old map");
    EXPECT_EQ(mapFiles(), (std::vector<std::string>{"unit_1.png", "unit_2.png"}));
    EXPECT_FALSE(std::filesystem::exists(tablePath));

    // A map may not replace the boundaries it is drawn from.
    std::filesystem::remove(mapsPath + "/unit_2.png");
    std::filesystem::copy_file(grid, mapsPath + "/unit_2.png");
    std::filesystem::create_symlink(mapsPath + "/unit_2.png", dir.file("grid.gpkg"));
    writeFile(inputPath, CLASSED_INPUT);
    EXPECT_EQ(test::runBatchWith({"--quiet", "--maps", mapsPath, "--boundaries",
                                  dir.file("grid.gpkg"), "--join-field", "code", inputPath},
                                 messages),
              1);
    EXPECT_NE(messages.shown.back().find("読み込むファイルと同じ"), std::string::npos)
        << messages.shown.back();
    EXPECT_EQ(readFile(mapsPath + "/unit_2.png"), readFile(grid));
}

}  // namespace
}  // namespace tolven
