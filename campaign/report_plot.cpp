// The page's plots: a value of the best instances over the time since each started,
// drawn as inline SVG.
#include "campaign/report_parts.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/board_view.hpp"

namespace zentara {

namespace {

// Lines of distinct colours for the instances, in turn, each with a marker of
// its own shape and size, so that lines that coincide still show every instance:
// each line's markers are smaller than those of the lines drawn before it, and
// every other line's are hollow, so a marker drawn over another leaves its rim
// (or its inside) in view.
constexpr const char* LINE_COLOURS[] = {"#1F77B4", "#D62728", "#2CA02C", "#9467BD", "#FF7F0E",
                                        "#17BECF", "#8C564B", "#E377C2", "#7F7F7F", "#BCBD22"};
static_assert(std::size(LINE_COLOURS) == REPORT_PLOT_SERIES);

// A round step for about `parts` ticks over `span`.
double tickStep(double span, int parts) {
    const double raw = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power) return m * power;
    return 10 * power;
}

std::string number(double v) {
    char s[32];
    std::snprintf(s, sizeof s, "%g", std::round(v * 10) / 10);
    return s;
}

// The marker of line `k`: 14 pixels across for the first, one less for each line
// after it; every shape spans its whole size, so a smaller one leaves a rim.
double markerRadius(int k) { return 7.0 - 0.5 * k; }
bool hollowMarker(int k) { return k % 2 == 1; }

// A marker of shape and size `k` centred on (x, y), as a path.
std::string marker(int k, double x, double y) {
    const double r = markerRadius(k);
    char s[200];
    switch (k % 5) {
        case 0:  // circle
            std::snprintf(s, sizeof s, "M%s %sa%g %g 0 1 0 %g 0a%g %g 0 1 0 %g 0", number(x - r).c_str(),
                          number(y).c_str(), r, r, 2 * r, r, r, -2 * r);
            break;
        case 1:  // square
            std::snprintf(s, sizeof s, "M%s %sh%gv%gh%gz", number(x - r).c_str(), number(y - r).c_str(), 2 * r, 2 * r,
                          -2 * r);
            break;
        case 2:  // triangle
            std::snprintf(s, sizeof s, "M%s %sl%g %gh%gz", number(x).c_str(), number(y - r).c_str(), r, 2 * r, -2 * r);
            break;
        case 3:  // diamond
            std::snprintf(s, sizeof s, "M%s %sl%g %gl%g %gl%g %gz", number(x).c_str(), number(y - r).c_str(), r, r, -r,
                          r, -r, -r);
            break;
        default:  // triangle pointing down
            std::snprintf(s, sizeof s, "M%s %sl%g %gh%gz", number(x).c_str(), number(y + r).c_str(), r, -2 * r, -2 * r);
    }
    return s;
}

}  // namespace

// One plot: a value of the chosen instances against the time since each started,
// in hours (minutes while every instance is younger than two hours), from 0.
// Each line holds at most a point per two pixels of width (the highest value of
// those it stands for), whatever the number of samples.
std::string renderPlot(const std::vector<Series>& all, const char* cssClass, const char* title) {
    double maxSeconds = 0;
    int low = 1 << 30, high = -1;
    for (const Series& series : all)
        for (const auto& [t, v] : series.points) {
            maxSeconds = std::max(maxSeconds, t);
            low = std::min(low, v);
            high = std::max(high, v);
        }
    if (high < 0) return "<p class=\"" + std::string(cssClass) + "\">Nothing to show yet.</p>\n";
    const bool hours = maxSeconds >= 2 * 3600;
    const double unit = hours ? 3600 : 60;
    const double maxTime = std::max(maxSeconds / unit, 1.0);
    if (high - low < 4) low -= 2, high += 2;
    const double xStep = tickStep(maxTime, 6), yStep = tickStep(high - low, 5);
    const double x1 = std::ceil(maxTime / xStep) * xStep;
    const double y0 = std::floor(low / yStep) * yStep, y1 = std::ceil(high / yStep) * yStep;
    constexpr int W = 800, H = 320, LEFT = 56, RIGHT = 170, TOP = 16, BOTTOM = 44;
    const double plotW = W - LEFT - RIGHT, plotH = H - TOP - BOTTOM;
    const auto px = [&](double t) { return LEFT + t / unit / x1 * plotW; };
    const auto py = [&](double v) { return TOP + (y1 - v) / (y1 - y0) * plotH; };

    std::string s;
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"" + std::string(cssClass) + "\" viewBox=\"0 0 " +
         std::to_string(W) + " " + std::to_string(H) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    s += "<title>" + std::string(title) + "</title>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"" + std::to_string(W) + "\" height=\"" + std::to_string(H) + "\" fill=\"#FFFFFF\"/>\n";
    for (double v = y0; v <= y1 + yStep / 2; v += yStep)
        s += "<line x1=\"" + number(LEFT) + "\" y1=\"" + number(py(v)) + "\" x2=\"" + number(LEFT + plotW) + "\" y2=\"" +
             number(py(v)) + "\" stroke=\"#DDDDDD\"/><text x=\"" + number(LEFT - 6) + "\" y=\"" + number(py(v) + 4) +
             "\" text-anchor=\"end\">" + number(v) + "</text>\n";
    for (double h = 0; h <= x1 + xStep / 2; h += xStep)
        s += "<line x1=\"" + number(px(h * unit)) + "\" y1=\"" + number(TOP) + "\" x2=\"" + number(px(h * unit)) +
             "\" y2=\"" + number(TOP + plotH) + "\" stroke=\"#DDDDDD\"/><text x=\"" + number(px(h * unit)) + "\" y=\"" +
             number(TOP + plotH + 16) + "\" text-anchor=\"middle\">" + number(h) + "</text>\n";
    s += "<text x=\"" + number(LEFT + plotW / 2) + "\" y=\"" + number(H - 6) +
         "\" text-anchor=\"middle\">" + (hours ? "hours" : "minutes") + " since the instance started</text>\n";
    s += "<rect x=\"" + number(LEFT) + "\" y=\"" + number(TOP) + "\" width=\"" + number(plotW) + "\" height=\"" +
         number(plotH) + "\" fill=\"none\" stroke=\"#000000\"/>\n";
    // Every line first, then every marker: a line drawn later never covers another's markers.
    std::string markers;
    int k = -1;
    for (const Series& series : all) {
        ++k;
        const char* colour = LINE_COLOURS[k % REPORT_PLOT_SERIES];
        std::vector<std::pair<double, double>> kept;  // pixels
        int keptColumn = -1;
        for (const auto& [t, v] : series.points) {
            const double x = px(t), y = py(v);
            const int column = static_cast<int>(x / 2);
            // The first point is where the line starts (a resuming solver's kept
            // pieces) and stays, also when a sample follows in its column.
            if (column == keptColumn && kept.size() > 1) {
                kept.back().first = x;
                kept.back().second = std::min(kept.back().second, y);  // the higher value
            } else {
                kept.emplace_back(x, y);
                keptColumn = column;
            }
        }
        if (kept.empty()) continue;
        std::string points;
        for (const auto& [x, y] : kept) {
            if (!points.empty()) points += ' ';
            points += number(x) + ',' + number(y);
        }
        // A single sample is drawn as a dot, which a polyline of one point is not.
        if (kept.size() == 1) points += ' ' + number(kept[0].first) + ',' + number(kept[0].second);
        const std::string name = xmlEscape(series.instance->name);
        s += "<polyline class=\"series\" data-instance=\"" + name + "\" points=\"" + points + "\" fill=\"none\" stroke=\"" +
             colour + "\" stroke-width=\"2\" stroke-linejoin=\"round\" stroke-linecap=\"round\"><title>" + name +
             "</title></polyline>\n";
        // Markers on about eight points of each line, each line's at other places
        // along it, and always on its last point.
        const std::size_t stride = std::max<std::size_t>(1, kept.size() / 8);
        const std::size_t offset = static_cast<std::size_t>(k) * stride / REPORT_PLOT_SERIES;
        std::string path;
        for (std::size_t i = 0; i < kept.size(); ++i)
            if ((i + stride - offset % stride) % stride == 0 || i + 1 == kept.size())
                path += marker(k, kept[i].first, kept[i].second);
        const std::string fill = hollowMarker(k) ? "none" : colour;
        markers += "<path class=\"markers\" data-instance=\"" + name + "\" d=\"" + path + "\" fill=\"" + fill +
                   "\" stroke=\"" + colour + "\" stroke-width=\"1.5\"/>\n";
        const double ly = TOP + 8 + k * 16;
        if (ly < TOP + plotH) {
            s += "<line x1=\"" + number(W - RIGHT + 12) + "\" y1=\"" + number(ly) + "\" x2=\"" + number(W - RIGHT + 36) +
                 "\" y2=\"" + number(ly) + "\" stroke=\"" + colour + "\" stroke-width=\"2\"/><path d=\"" +
                 marker(k, W - RIGHT + 24, ly) + "\" fill=\"" + (hollowMarker(k) ? "#FFFFFF" : colour) + "\" stroke=\"" +
                 colour + "\" stroke-width=\"1.5\"/><text x=\"" + number(W - RIGHT + 42) + "\" y=\"" + number(ly + 4) +
                 "\">" + name + "</text>\n";
        }
    }
    s += markers;
    s += "</svg>\n";
    return s;
}

}  // namespace zentara
