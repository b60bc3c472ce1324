// tarvik-kq plot: the chart as PNG, SVG and PDF with no display, read back
// as pictures, also of a dense archive; its title line; its mistakes, and
// files it must not spoil; the texts in the program's own font.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "core/archive/saved_archive.h"
#include "render/archive_chart.h"
#include "support/run_result.h"
#include "support/test_support.h"

namespace tkq {
namespace {

using test::Cli;
using test::Result;
using test::TempDir;

constexpr const char* kKept = "a good picture from before";

// Pixels of `colour` drawn over white within `area` (default: all): mixes
// of at least `share` of it and the rest white (a smoothed line lends part
// of its colour to the pixels beside it).
int PixelsOf(const QImage& picture, const QColor& colour, double share = 0.95, QRect area = {}) {
  const QImage image = picture.convertToFormat(QImage::Format_RGB32);  // read a pixel at a time quickly
  if (area.isNull()) area = image.rect();
  const double c[3] = {colour.redF(), colour.greenF(), colour.blueF()};
  const int k = c[0] <= c[1] && c[0] <= c[2] ? 0 : c[1] <= c[2] ? 1 : 2;  // the channel furthest from white
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb rgb = image.pixel(x, y);
      const double p[3] = {qRed(rgb) / 255.0, qGreen(rgb) / 255.0, qBlue(rgb) / 255.0};
      const double t = (1 - p[k]) / ((1 - c[k]) * colour.alphaF());
      bool on = t >= share && t <= 1.05;
      for (int i = 0; i < 3 && on; ++i) on = std::abs(p[i] - (1 - t * colour.alphaF() * (1 - c[i]))) < 0.02;
      count += on;
    }
  }
  return count;
}

// One-minute records whose values jump at random: each line a solid block.
std::unique_ptr<CObjectDefinition> DenseObject(size_t records) {
  auto object = test::MakeObject(*test::BuiltInDescription(), "TARVIK 59.11.03.04", 0, 1, 0);
  std::mt19937 random(17);
  std::uniform_real_distribution<float> change(0.0f, 10.0f);
  test::Bytes arc;
  float first = 0, second = 0;
  for (size_t i = 0; i < records; ++i) {
    test::AppendMeasurement(arc, 1328090400 + static_cast<uint32_t>(i) * 60, first += change(random),
                            second += change(random));
  }
  object->DecodeDeviceFiles(*test::BuiltInDescription(), arc, {}, {});
  return object;
}

class PlotCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    auto description = test::BuiltInDescription();
    test::Bytes err;  // situation 3 in the archive's second hour
    test::AppendAbnormal(err, 1328090400 + 3600, 1328090400 + 7200, 3);
    SaveSavedArchive(dir / "obj.sav", *test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 301, err));
    SaveSavedArchive(dir / "empty.sav", *test::MakeObject(*description, "TARVIK 59.11.03.04", 0, 1, 0));
    std::ofstream(dir / "keep.png") << kKept;
  }
  void TearDown() override { std::filesystem::current_path(m_previous); }

  // Plots obj.sav with `options` to `name`; the picture, null when not written.
  QImage Plot(const std::string& name, std::vector<std::string> options = {}) {
    options.insert(options.begin(), {"plot", "obj.sav", "-o", name});
    const Result r = Cli(options);
    EXPECT_EQ(r.status, 0) << r.err;
    return QImage(QString::fromStdString((dir / name).string()));
  }

  TempDir dir;

 private:
  std::filesystem::path m_previous;
};

TEST_F(PlotCommand, PicturesOfTheRequestedSizeAfterAPrintInTheSameProcess) {
  // print's application object must serve the chart's widgets too.
  ASSERT_EQ(Cli({"print", "obj.sav", "--view", "abnormal", "-o", "abnormal.pdf"}).status, 0);
  // The first value as totals, a rising line; the second a level one.
  const QImage png = Plot("chart.png", {"--size", "900x450", "--output-types", "2,0"});
  ASSERT_EQ(png.size(), QSize(900, 450));
  // The lines, not the axes' and legend's texts in the same colours.
  const QRect lines(150, 25, 600, 300);
  EXPECT_GT(PixelsOf(png, render::ChartSeriesColour(0), 0.5, lines), 500);
  EXPECT_GT(PixelsOf(png, render::ChartSeriesColour(1), 0.5, lines), 500);
  EXPECT_GT(PixelsOf(png, render::ChartBandColour(3)), 100);
  EXPECT_EQ(Plot("CHART.PNG").size(), QSize(1200, 600));

  ASSERT_EQ(Cli({"plot", "obj.sav", "-o", "chart.svg", "--size", "640x320"}).status, 0);
  const QSvgRenderer svg(QString::fromStdString((dir / "chart.svg").string()));
  ASSERT_TRUE(svg.isValid());
  EXPECT_EQ(svg.viewBox(), QRect(0, 0, 640, 320));

  ASSERT_EQ(Cli({"plot", "obj.sav", "-o", "chart.Pdf", "--size", "800x400"}).status, 0);
  EXPECT_EQ(test::ReadText(dir / "chart.Pdf").substr(0, 5), "%PDF-");
  if (test::Shell(".", "sh", "-c 'command -v pdfinfo' >/dev/null").status != 0) {
    GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed: the page size is not read back";
  }
  const std::string info = test::Shell(dir.Path(), "pdfinfo", "chart.Pdf").out;
  EXPECT_NE(info.find(" 800 x 400 pts\n"), std::string::npos) << info;
  // The texts keep the size they have on the screen (a drawing at the PDF
  // writer's own resolution made them seventeen times as tall).
  const std::string words = test::Shell(dir.Path(), "pdftotext", "-bbox chart.Pdf -").out;
  const size_t at = words.find("<word xMin=");
  ASSERT_NE(at, std::string::npos) << words;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  ASSERT_EQ(
      std::sscanf(words.c_str() + at, "<word xMin=\"%lf\" yMin=\"%lf\" xMax=\"%lf\" yMax=\"%lf\"", &x0, &y0, &x1, &y1),
      4);
  const double height = std::min(x1 - x0, y1 - y0);  // the word may run upwards
  EXPECT_LT(height, 20.0);
  EXPECT_GT(height, 5.0);
  // Every text in the program's own font, embedded: the tool draws the
  // same on a system that has no font of its own for it.
  std::istringstream fonts(test::Shell(dir.Path(), "pdffonts", "chart.Pdf").out);
  std::string line;
  std::vector<std::string> names;
  for (int skip = 0; skip < 2 && std::getline(fonts, line);) ++skip;  // the header
  while (std::getline(fonts, line)) names.push_back(line.substr(0, line.find(' ')));
  EXPECT_EQ(names, std::vector<std::string>{"DejaVuSansMono"});
}

TEST_F(PlotCommand, InADenseArchiveNeitherValueHidesTheOther) {
  SaveSavedArchive(dir / "dense.sav", *DenseObject(50000));
  ASSERT_EQ(Cli({"plot", "dense.sav", "-o", "dense.png", "--size", "1200x700"}).status, 0);
  const QImage png(QString::fromStdString((dir / "dense.png").string()));
  // The first value's block above the middle, the second's below it (off
  // the value axes' texts and the legend in the same colours).
  const QRect upper(150, 0, 950, 350), lower(150, 350, 950, 280);
  const QColor blue = render::ChartSeriesColour(0), vermillion = render::ChartSeriesColour(1);
  EXPECT_GT(PixelsOf(png, blue, 0.5, upper), 100000);
  EXPECT_GT(PixelsOf(png, vermillion, 0.5, lower), 100000);
  EXPECT_LT(PixelsOf(png, blue, 0.5, lower) + PixelsOf(png, vermillion, 0.5, upper), 2000);
}

TEST_F(PlotCommand, FromAndToShowPartOfTheArchive) {
  const QImage whole = Plot("whole.png");
  const QImage later = Plot("later.png", {"--from", "02.02.2012 12:00", "--to", "05.02.2012"});
  EXPECT_GT(PixelsOf(whole, render::ChartBandColour(3)), 100);
  EXPECT_EQ(PixelsOf(later, render::ChartBandColour(3)), 0);  // the situation lies before --from
  EXPECT_NE(whole, later);
  // Every form of the same times draws the same picture.
  EXPECT_EQ(Plot("iso.png", {"--from", "2012-02-02T12:00", "--to", "2012-02-05"}), later);
  EXPECT_EQ(Plot("blank.png", {"--from", "2012-02-02 12:00:00", "--to", "05.02.2012 00:00:00"}), later);
  EXPECT_NE(Plot("minutes.png", {"--from", "01.02.2012 11:30", "--to", "01.02.2012 14:00"}),
            Plot("day.png", {"--from", "01.02.2012", "--to", "01.02.2012 14:00"}));
  // One end given: the other is the archive's.
  EXPECT_EQ(PixelsOf(Plot("from.png", {"--from", "02.02.2012"}), render::ChartBandColour(3)), 0);
  EXPECT_GT(PixelsOf(Plot("to.png", {"--to", "2012-02-02"}), render::ChartBandColour(3)), 100);
}

TEST_F(PlotCommand, TheTitleLineNamesWhatIsShownUnlessLeftOut) {
  const std::vector<std::string> day = {"--from", "02.02.2012", "--to", "03.02.2012", "--size", "800x400"};
  ASSERT_EQ(Plot("titled.png", day).size(), QSize(800, 400));
  EXPECT_NE(Plot("titled.png", day),
            Plot("plain.png", {"--from", "02.02.2012", "--to", "03.02.2012", "--size", "800x400", "--no-title"}));
  std::vector<std::string> svg = {"plot", "obj.sav", "-o", "titled.svg"};
  svg.insert(svg.end(), day.begin(), day.end());
  ASSERT_EQ(Cli(svg).status, 0);
  svg[3] = "plain.svg";
  svg.push_back("--no-title");
  ASSERT_EQ(Cli(svg).status, 0);
  const std::string title = ">Архив объекта № 5, с 02.02.2012 00:00:00 по 03.02.2012 00:00:00<";
  EXPECT_NE(test::ReadText(dir / "titled.svg").find(title), std::string::npos);
  EXPECT_EQ(test::ReadText(dir / "plain.svg").find("Архив объекта"), std::string::npos);
  // The help says so.
  EXPECT_NE(Cli({"plot", "--help"}).out.find("--no-title"), std::string::npos);
}

TEST_F(PlotCommand, MistakesAndNothingToDrawLeaveTheFile) {
  std::vector<std::vector<std::string>> mistakes = {{"-o", "keep.gif"},
                                                    {"-o", "keep"},
                                                    {"--columns", "first"},
                                                    {"--view", "archive"},
                                                    {"--output-types", "9,9"},
                                                    {"--from", "02.02.2012", "--to", "02.02.2012"},
                                                    {"--from", "03.02.2012", "--to", "02.02.2012"}};
  for (const char* size : {"99x600", "1200x10001", "1200*600", "1200x", "+1200x600"}) {
    mistakes.push_back({"--size", size});
  }
  for (const char* time : {"31.02.2012", "2012-02-01T24:00", "01.02.12", "2012-02-01T12", "01.02.2012 12:00 ",
                           "01.01.1969", "08.02.2106"}) {
    mistakes.push_back({"--from", time});
  }
  for (const auto& options : mistakes) {
    std::vector<std::string> args = {"plot", "obj.sav"};
    if (options[0] != "-o") args.insert(args.end(), {"-o", "keep.png"});
    args.insert(args.end(), options.begin(), options.end());
    const Result r = Cli(args);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(options);
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(Cli({"plot", "obj.sav"}).status, 2);
  EXPECT_EQ(Cli({"plot", "missing.sav", "-o", "keep.png"}).status, 2);

  const Result after = Cli({"plot", "obj.sav", "-o", "keep.png", "--from", "01.01.2030"});
  EXPECT_EQ(after.status, 1);
  EXPECT_EQ(after.err,
            "Нет записей архива измерений с 01.01.2030 00:00:00 "
            "(записи архива с 01.02.2012 10:00:00 по 13.02.2012 22:00:00)\n");
  EXPECT_EQ(Cli({"plot", "obj.sav", "-o", "keep.png", "--to", "01.02.2012 10:00"}).status, 1);
  const Result empty = Cli({"plot", "empty.sav", "-o", "keep.png"});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err, "Нет записей архива измерений\n");
  EXPECT_EQ(test::ReadText(dir / "keep.png"), kKept);
}

TEST_F(PlotCommand, AFileThatCannotBeWrittenKeepsThePreviousOne) {
  const Result folder = Cli({"plot", "obj.sav", "-o", "no/such/folder/a.png"});
  EXPECT_EQ(folder.status, 1);
  EXPECT_NE(folder.err.find("no/such/folder/a.png"), std::string::npos) << folder.err;

  // A folder the tool may not write to; root writes anywhere, so root runs
  // the program as nobody (who may not read this tree's leak suppressions:
  // under the sanitizers that run checks no leaks).
  std::filesystem::create_directory(dir / "locked");
  std::ofstream(dir / "locked" / "chart.png") << kKept;
  using std::filesystem::perms;
  std::filesystem::permissions(
      dir.Path(), perms::owner_all | perms::group_read | perms::group_exec | perms::others_read | perms::others_exec);
  std::filesystem::permissions(dir / "locked", perms::owner_read | perms::owner_exec | perms::group_read |
                                                   perms::group_exec | perms::others_read | perms::others_exec);
  const Result locked = ::geteuid() == 0
                            ? test::Shell(dir.Path(), "env",
                                          "LSAN_OPTIONS= ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" "
                                          "setpriv --reuid=65534 --regid=65534 --clear-groups '" TKQ_CLI_PATH
                                          "' plot obj.sav -o locked/chart.png")
                            : Cli({"plot", "obj.sav", "-o", "locked/chart.png"});
  std::filesystem::permissions(dir / "locked", perms::owner_all);
  EXPECT_EQ(locked.status, 1) << locked.err;
  EXPECT_NE(locked.err.find("Не удается записать файл locked/chart.png"), std::string::npos) << locked.err;
  EXPECT_EQ(test::ReadText(dir / "locked" / "chart.png"), kKept);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "locked"), {}), 1);
}

}  // namespace
}  // namespace tkq
