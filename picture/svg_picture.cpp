#include "picture/svg_picture.h"

#include <cmath>
#include <optional>
#include <utility>

#include "conversion/channel_table.h"
#include "conversion/log_summary.h"
#include "conversion/number_text.h"
#include "conversion/sample_time.h"
#include "conversion/utf8_text.h"
#include "markup/markup_text.h"

namespace quillet {
namespace {

// The page, in pixels: a column of labels, the strips, and the time axis below them.
constexpr int kLabelWidth = 180;
constexpr int kRightMargin = 24;
constexpr int kPageWidth = kLabelWidth + kPlotColumns + kRightMargin;
constexpr int kTitleHeight = 64;
constexpr int kStripHeight = 64;
constexpr int kStripGap = 14;
constexpr int kStripPadding = 4;
constexpr int kAxisHeight = 48;
constexpr int kTicksWanted = 10;

std::string pixels(double position) { return fixedDecimals(position, 1); }

// The time a tick names, as the CSV writes times: "1:30", or "1:30.50" between whole seconds.
// Ticks fall on whole hundredths.
std::string tickText(long long milliseconds) {
    const std::string text = sampleTime(static_cast<int>(milliseconds / 1000),
                                        static_cast<std::uint8_t>(milliseconds % 1000 / 10));
    return milliseconds % 1000 == 0 ? text.substr(0, text.size() - 3) : text;
}

// A tick step of 1, 2 or 5 times a power of ten hundredths, or whole minutes for long logs,
// that puts at most kTicksWanted ticks on the axis; in milliseconds.
long long tickStep(long long span) {
    static constexpr long long kSteps[] = {1,     2,     5,      10,     20,     50,     100,
                                           200,   500,   1000,   1500,   3000,   6000,   12000,
                                           30000, 60000, 120000, 300000, 600000, 1200000};
    for (const long long step : kSteps) {
        if (span / (10 * step) <= kTicksWanted) return 10 * step;
    }
    return 36000000;
}

class SvgWriter {
  public:
    SvgWriter(const LogChart& chart, WriteBuffer& out) : m_chart(chart), m_out(out) {}

    void write() {
        const int strips = static_cast<int>(m_chart.strips.size());
        const int stripsBottom = kTitleHeight + strips * (kStripHeight + kStripGap);
        const int pageHeight = stripsBottom + kAxisHeight;
        m_out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
        m_out.append("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                     decimalDigits(kPageWidth) + "\" height=\"" + decimalDigits(pageHeight) +
                     "\" viewBox=\"0 0 " + decimalDigits(kPageWidth) + " " +
                     decimalDigits(pageHeight) +
                     "\" font-family=\"DejaVu Sans, Arial, Helvetica, sans-serif\">\n");
        m_out.append("<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n");
        writeTitle();
        writeTimeGrid(stripsBottom);
        for (int strip = 0; strip < strips; ++strip) {
            writeStrip(static_cast<std::size_t>(strip),
                       kTitleHeight + strip * (kStripHeight + kStripGap));
        }
        writeStopMark(stripsBottom);
        m_out.append("</svg>\n");
    }

  private:
    double xOfColumn(double column) const { return kLabelWidth + column; }
    double xOfTime(double time) const {
        const TimeAxis& axis = m_chart.axis;
        return kLabelWidth + (time - axis.start) * axis.columns / (axis.end - axis.start);
    }

    void text(double x, double y, const std::string& content, const std::string& attributes) {
        m_out.append("<text x=\"" + pixels(x) + "\" y=\"" + pixels(y) + "\" " + attributes + ">" +
                     xmlText(content) + "</text>\n");
    }

    void writeTitle() {
        text(12, 26, displayName(m_chart.title),
             "class=\"title\" font-size=\"18\" font-weight=\"bold\"");
        std::string line = decimalDigits(m_chart.span.samples) + " samples";
        if (m_chart.span.samples > 0) {
            line += ", " + timeSpanText(m_chart.span);
        }
        text(12, 46, line, "class=\"samples\" font-size=\"12\" fill=\"#555\"");
        if (m_chart.stop) {
            const Failure& failure = m_chart.stop->failure;
            text(12, 60,
                 "Stopped at record " + decimalDigits(m_chart.stop->record) + " of " +
                     decimalDigits(m_chart.recordCount - 1) + ": error # " +
                     decimalDigits(static_cast<int>(failure.number())) + ", " +
                     failure.description() + ". Only the samples before it are drawn.",
                 "class=\"stop\" font-size=\"12\" fill=\"#c00\"");
        }
    }

    // Light vertical lines at every tick across all strips, and the tick labels below.
    void writeTimeGrid(int stripsBottom) {
        const TimeAxis& axis = m_chart.axis;
        const long long step = tickStep(axis.end - axis.start);
        std::string grid = "<path stroke=\"#e4e4e4\" stroke-width=\"1\" d=\"";
        for (long long tick = (axis.start + step - 1) / step * step; tick <= axis.end;
             tick += step) {
            const std::string x = pixels(xOfTime(static_cast<double>(tick)));
            grid += "M" + x + " " + decimalDigits(kTitleHeight) + "V" +
                    decimalDigits(stripsBottom - kStripGap + 4) + " ";
            text(xOfTime(static_cast<double>(tick)), stripsBottom + 4, tickText(tick),
                 "font-size=\"11\" text-anchor=\"middle\" fill=\"#333\"");
        }
        m_out.append(grid + "\"/>\n");
        text(kLabelWidth + kPlotColumns / 2.0, stripsBottom + 26, "Time (minutes:seconds)",
             "font-size=\"12\" text-anchor=\"middle\" fill=\"#333\"");
    }

    void writeStrip(std::size_t strip, int top) {
        const ChartStrip& info = m_chart.strips[strip];
        const double middle = top + kStripHeight / 2.0;
        m_out.append("<rect x=\"" + decimalDigits(kLabelWidth) + "\" y=\"" + decimalDigits(top) +
                     "\" width=\"" + decimalDigits(kPlotColumns) + "\" height=\"" +
                     decimalDigits(kStripHeight) + "\" fill=\"none\" stroke=\"#bbb\"/>\n");
        m_out.append("<path stroke=\"#eee\" d=\"M" + decimalDigits(kLabelWidth) + " " +
                     pixels(middle) + "H" + decimalDigits(kLabelWidth + kPlotColumns) + "\"/>\n");
        text(10, middle + 5, channelLabel(info.identifier),
             "class=\"heading\" font-size=\"13\" font-weight=\"bold\"");

        const std::optional<std::pair<double, double>> range = m_chart.rangeOf(strip);
        if (!range) {
            text(kLabelWidth + kPlotColumns / 2.0, middle + 4,
                 info.hasValues ? "no samples" : "no values for this channel",
                 "font-size=\"11\" text-anchor=\"middle\" fill=\"#888\"");
            return;
        }
        const auto [smallest, largest] = *range;
        const std::string valueStyle = " font-size=\"11\" text-anchor=\"end\" fill=\"#333\"";
        text(kLabelWidth - 6, top + 10, fixedDecimals(largest, info.decimals),
             "class=\"largest\"" + valueStyle);
        text(kLabelWidth - 6, top + kStripHeight - 1, fixedDecimals(smallest, info.decimals),
             "class=\"smallest\"" + valueStyle);
        writeLine(strip, top, smallest, largest);
    }

    // The strip's polyline: one or two points per filled column, the one nearer the previous
    // point first; broken where no sample falls for longer than the logger's quiet spell.
    void writeLine(std::size_t strip, int top, double smallest, double largest) {
        const double high = top + kStripPadding;
        const double depth = kStripHeight - 2.0 * kStripPadding;
        auto yOf = [&](double value) {
            return largest == smallest ? top + kStripHeight / 2.0
                                       : high + (largest - value) * depth / (largest - smallest);
        };
        const TimeAxis& axis = m_chart.axis;
        const double millisecondsPerColumn =
            static_cast<double>(axis.end - axis.start) / axis.columns;

        std::string path =
            "<path class=\"values\" fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"1\" "
            "stroke-linejoin=\"round\" d=\"";
        std::optional<std::size_t> previousColumn;
        double previousY = 0;
        for (std::size_t column = 0; column < m_chart.columnCount(); ++column) {
            if (!m_chart.filled(column)) continue;
            const bool broken =
                !previousColumn ||
                (column - *previousColumn) * millisecondsPerColumn > kLongestQuietSpell;
            const std::string x = pixels(xOfColumn(column + 0.5));
            const LogChart::Extremes& extremes = m_chart.extremesOf(column, strip);
            double first = yOf(extremes.largest);
            double second = yOf(extremes.smallest);
            if (std::abs(second - previousY) < std::abs(first - previousY))
                std::swap(first, second);
            path += (broken ? "M" : "L") + x + " " + pixels(first) + " ";
            // A lone point is drawn as a short dash, since a path of one point shows nothing.
            if (second != first) {
                path += "L" + x + " " + pixels(second) + " ";
            } else if (broken) {
                path += "h0.5 ";
            }
            previousColumn = column;
            previousY = second;
        }
        m_out.append(path + "\"/>\n");
    }

    // A red line where the reading of a damaged log stopped.
    void writeStopMark(int stripsBottom) {
        if (!m_chart.stop || m_chart.span.samples == 0) {
            return;
        }
        const std::string x =
            pixels(xOfColumn(m_chart.axis.columnOf(m_chart.span.last.milliseconds()) + 1.0));
        m_out.append("<path stroke=\"#c00\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\" d=\"M" +
                     x + " " + decimalDigits(kTitleHeight - 2) + "V" +
                     decimalDigits(stripsBottom - kStripGap + 2) + "\"/>\n");
    }

    const LogChart& m_chart;
    WriteBuffer& m_out;
};

}  // namespace

void writeSvgPicture(const LogChart& chart, WriteBuffer& out) { SvgWriter(chart, out).write(); }

}  // namespace quillet
