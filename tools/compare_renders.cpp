// compare_renders A B: the pictures two builds of `render` wrote into the
// folders A and B (this system's and Windows', say) are the same pixel for
// pixel wherever no text is drawn. Text is masked by its colour: a pixel that
// is text-coloured in either picture is not compared, inside the regions
// where the pictures write text (the label strip of the map, the left of the
// chart; the gauges, tables and summary everywhere). window.png is compared
// inside its picture boxes only: the controls around them are the system's;
// so is compare.png (render --compare), the comparison window.
// Prints what differs; exit status 0 when nothing does, 1 otherwise.
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Where a picture writes text, and in which colours.
struct TextMask {
    QRect region;  // in the picture
    std::vector<QRgb> colours;
};

struct Rule {
    const char* picture;
    QRect box;  // where the picture stands in its window's picture
    std::vector<TextMask> text;
};

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kLapBlue = qRgb(0, 0, 255);
const QRgb kReference = qRgb(255, 0, 255);
const QRect kAll(0, 0, 4096, 4096);

const std::vector<Rule> kRules = {
    {"map", {5, 5, 512, 560}, {{{0, 512, 512, 48}, {kWhite}}}},
    {"drivers", {520, 5, 480, 140}, {{kAll, {kBlack}}}},
    {"gauges", {520, 150, 480, 140}, {{kAll, {kBlack}}}},
    {"summary", {520, 295, 480, 270}, {{kAll, {kBlack}}}},
    {"chart", {200, 570, 800, 140}, {{{0, 0, 75, 140}, {kBlack, kWhite}}}},
};

// The picture boxes of compare.png (the comparison window): black and grey
// words anywhere, the corner labels on the map, its label strip in white,
// the two laps' names in their colours in the speed chart's title and the
// corner table's header.
const std::vector<Rule> kCompareBoxes = {
    {"map", {5, 5, 512, 560}, {{kAll, {kBlack}}, {{0, 512, 512, 48}, {kWhite}}}},
    {"legend", {5, 570, 512, 30}, {{kAll, {kBlack, kGrey}}}},
    {"speed", {522, 5, 483, 160}, {{kAll, {kBlack, kGrey}}, {{0, 0, 483, 18}, {kLapBlue, kReference}}}},
    {"delta", {522, 170, 483, 160}, {{kAll, {kBlack, kGrey}}}},
    {"lap table", {522, 335, 465, 380}, {{kAll, {kBlack, kGrey}}}},
    {"figures", {5, 634, 512, 81}, {{kAll, {kBlack, kGrey}}}},
    {"corner words", {1010, 5, 320, 100}, {{kAll, {kBlack, kGrey}}}},
    {"corner table", {1010, 110, 320, 290}, {{kAll, {kBlack, kGrey}}, {{0, 0, 320, 32}, {kLapBlue, kReference}}}},
    {"corner chart", {1010, 405, 320, 280}, {{kAll, {kBlack, kGrey}}}},
};

bool IsText(const Rule& rule, int x, int y, QRgb pixel)
{
    for (const TextMask& mask : rule.text) {
        if (!mask.region.contains(x, y))
            continue;
        for (const QRgb colour : mask.colours)
            if ((pixel & 0xFFFFFF) == (colour & 0xFFFFFF))
                return true;
    }
    return false;
}

// The pixels of a and b that differ outside the text, counted.
long Differences(const Rule& rule, const QImage& a, const QImage& b, const std::string& what)
{
    if (a.size() != b.size()) {
        std::printf("%s: %dx%d against %dx%d\n", what.c_str(), a.width(), a.height(), b.width(),
                    b.height());
        return 1;
    }
    long differing = 0;
    int firstX = -1, firstY = -1;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb pa = a.pixel(x, y), pb = b.pixel(x, y);
            if ((pa & 0xFFFFFF) == (pb & 0xFFFFFF))
                continue;
            if (IsText(rule, x, y, pa) || IsText(rule, x, y, pb))
                continue;
            if (differing++ == 0)
                firstX = x, firstY = y;
        }
    }
    std::printf("%s: %ld pixels differ outside the text", what.c_str(), differing);
    if (differing > 0)
        std::printf(" (the first at %d, %d)", firstX, firstY);
    std::printf("\n");
    return differing;
}

QImage Load(const std::string& folder, const char* name)
{
    return QImage(QString::fromStdString(folder + "/" + name + ".png")).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: compare_renders FOLDER_A FOLDER_B\n");
        return 2;
    }
    const std::string a = argv[1], b = argv[2];
    const QImage windowA = Load(a, "window"), windowB = Load(b, "window");
    long differing = 0;
    for (const Rule& rule : kRules) {
        const QImage pictureA = Load(a, rule.picture), pictureB = Load(b, rule.picture);
        if (pictureA.isNull() || pictureB.isNull()) {
            std::printf("%s: missing\n", rule.picture);
            ++differing;
            continue;
        }
        differing += Differences(rule, pictureA, pictureB, std::string(rule.picture) + ".png");
        // The box in the window shows the picture; the chart and summary
        // boxes are as large as their pictures.
        const QRect box(rule.box.topLeft(), pictureA.size());
        differing += Differences(rule, windowA.copy(box), windowB.copy(box),
                                 std::string("window.png, ") + rule.picture + " box");
    }
    // The comparison (render --compare), when either drew it: inside its
    // picture boxes, as in window.png.
    const QImage compareA = Load(a, "compare"), compareB = Load(b, "compare");
    if (!compareA.isNull() || !compareB.isNull()) {
        if (compareA.isNull() || compareB.isNull()) {
            std::printf("compare.png: missing\n");
            ++differing;
        } else {
            for (const Rule& rule : kCompareBoxes)
                differing += Differences(rule, compareA.copy(rule.box), compareB.copy(rule.box),
                                         std::string("compare.png, ") + rule.picture + " box");
        }
    }
    return differing == 0 ? 0 : 1;
}
