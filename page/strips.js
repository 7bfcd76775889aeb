// The strips: one uPlot chart per channel over a shared time axis, a cursor line across them,
// zoom by dragging, the time where the filter holds shaded, and the samples of a table's cell
// marked on the time axis. The axis rules are plain functions that Node tests; the charts need
// the page's document and uPlot.
import { columnBounds, lowerBound, stripPoints, tickTimeText, TIME_STEPS, valueSteps, valueTickText } from "./log_data.js";

export const COLOURS = ["#1f5fbf", "#c0392b", "#2e8b3a", "#8e44ad", "#d35400", "#16808a", "#7a5c00",
  "#c2185b", "#455a64", "#5d4cc4", "#9c6b30", "#00838f"];
const VALUE_AXIS_WIDTH = 60;
const TIME_AXIS_HEIGHT = 32;
const SMALLEST_STRIP = 44;
const LARGEST_STRIP = 150;
// Room between a plot and the canvas's top, bottom and right edges: half a value label above
// and below, half the widest time label ("1092:15.99") on the right.
const PLOT_PADDING = [7, 30, 7, 0];
// The least distance between two value labels, in CSS pixels.
const LABEL_SPACING = 13;
export const FONT = "11px system-ui, sans-serif";
// Lines of one pixel, which a browser without a GPU draws many times faster than wider ones.
const LINE_WIDTH = 1;
const SHADE = "rgba(255, 190, 0, 0.16)";
const MARK = "#e8590c";

// The multiples of step from min to max: the first's and the last's factors.
function tickFactors(min, max, step) {
  return [Math.ceil(min / step - 1e-9), Math.floor(max / step + 1e-9)];
}

// The multiples of step from min to max.
export function axisTicks(min, max, step) {
  const [first, last] = tickFactors(min, max, step);
  const decimals = Math.max(0, -Math.floor(Math.log10(step) + 1e-9));
  const ticks = [];
  for (let k = first; k <= last; k++) ticks.push(Number((k * step).toFixed(decimals)));
  return ticks;
}

// A value axis over low..high (the values drawn) for a plot `height` pixels high: the finest round
// step whose labels stand LABEL_SPACING apart, and a range that holds at least two of them, widened
// to the step's multiples around the values where it would hold fewer. A constant value stands
// between a step below and one above, or at the edge of `possible` ([smallest, largest] the
// channel can hold) that it touches, so that a channel that is 0 throughout does not run to -1.
export function valueScale(low, high, decimals, height, possible = null) {
  let scale = null;
  for (const step of valueSteps(decimals).concat([1e6, 2e6, 5e6, 1e7, 1e8, 1e9, 1e12])) {
    let min = low - step;
    let max = high + step;
    if (low === high) {
      if (possible && min < possible[0]) [min, max] = [low, low + step];
      else if (possible && max > possible[1]) [min, max] = [high - step, high];
    } else {
      const pad = (high - low) * 0.04;
      [min, max] = [low - pad, high + pad];
      const [first, last] = tickFactors(min, max, step);
      if (last - first < 1) {
        min = Math.min(min, Math.floor(low / step) * step);
        max = Math.max(max, Math.ceil(high / step) * step);
      }
    }
    scale = { min, max, step };
    if ((step / (max - min)) * height >= LABEL_SPACING * (1 - 1e-9)) break;
  }
  return scale;
}

// Which pixel columns from start to end show where the filter holds: a column that holds
// samples where any of them is kept, a column between samples where the nearer one is.
// keptBefore[k] counts the kept samples among the first k by time.
export function heldColumns(times, bounds, start, end, keptBefore) {
  const columns = bounds.length - 1;
  const held = new Uint8Array(columns);
  if (times.length === 0) return held;
  const width = (end - start) / columns;
  for (let column = 0; column < columns; column++) {
    const from = bounds[column];
    const to = bounds[column + 1];
    let sample = from;
    if (to === from) {
      const middle = start + (column + 0.5) * width;
      if (from === times.length || (from > 0 && middle - times[from - 1] <= times[from] - middle)) sample = from - 1;
    }
    held[column] = keptBefore[Math.max(to, sample + 1)] - keptBefore[sample] > 0 ? 1 : 0;
  }
  return held;
}

// Runs of set columns as [first, last + 1] pairs.
export function columnRuns(columns) {
  const runs = [];
  for (let column = 0; column < columns.length; column++) {
    if (!columns[column]) continue;
    const first = column;
    while (column + 1 < columns.length && columns[column + 1]) column++;
    runs.push([first, column + 1]);
  }
  return runs;
}

// The pixel columns from start to end that hold any of the times.
export function markedColumns(times, start, end, columns) {
  const marked = new Uint8Array(columns);
  const width = (end - start) / columns;
  for (const time of times) {
    if (time < start || time > end) continue;
    marked[Math.min(columns - 1, Math.floor((time - start) / width))] = 1;
  }
  return marked;
}

function timeAxis(showTicks, mark) {
  return {
    scale: "x",
    space: 90,
    incrs: TIME_STEPS,
    size: showTicks ? TIME_AXIS_HEIGHT : 0,
    font: FONT,
    gap: 4,
    ticks: { show: showTicks, size: 4 },
    grid: { stroke: "#e8e8e8", width: 1 },
    values: (u, splits) => splits.map((time) => (showTicks ? tickTimeText(time, mark) : "")),
  };
}

export class StripCharts {
  // Strips over the view {start, end}; on.point(time) follows the mouse, on.zoom(start, end) a
  // drag, on.whole() a double-click.
  constructor(log, view, element, cursorElement, on) {
    this.log = log;
    this.element = element;
    this.cursorElement = cursorElement;
    this.on = on;
    this.strips = [];
    // Strips are numbered as they are made, so that a number names one strip however many go.
    this.made = 0;
    this.view = { ...view };
    this.columns = 1;
    this.keptBefore = null;
    this.markedTimes = null;
    this.cursorTime = null;
    this.held = [];
    this.marked = [];
    this.axisStrip = document.createElement("div");
    this.axisStrip.className = "strip axis-strip";
    const label = document.createElement("div");
    label.className = "strip-label";
    const caption = document.createElement("span");
    caption.className = "axis-caption";
    caption.textContent = "minutes:seconds";
    label.append(caption);
    const chart = document.createElement("div");
    chart.className = "strip-chart";
    this.axisStrip.append(label, chart);
    element.append(this.axisStrip);
    this.axisChart = this.makeChart(chart, "transparent", TIME_AXIS_HEIGHT, null);
  }

  // A strip for the channel, before the time axis; its output shows the cursor's value.
  add(channel, colour) {
    const element = document.createElement("div");
    element.className = "strip";
    element.dataset.channel = String(this.made++);
    const label = document.createElement("div");
    label.className = "strip-label";
    const heading = document.createElement("span");
    heading.className = "heading";
    heading.textContent = channel.heading;
    heading.style.borderColor = colour;
    const value = document.createElement("output");
    value.className = "value";
    value.dataset.channel = element.dataset.channel;
    label.append(heading, value);
    const chart = document.createElement("div");
    chart.className = "strip-chart";
    element.append(label, chart);
    if (!channel.numbers) {
      const note = document.createElement("p");
      note.className = "no-values";
      note.textContent = "No values: the channel table does not know this channel.";
      chart.append(note);
    }
    this.element.insertBefore(element, this.axisStrip);
    const possible = channel.texts && channel.numbers
      ? [Math.min(...channel.numbers), Math.max(...channel.numbers)] : null;
    const strip = { channel, colour, element, chart, value, u: null, drawn: null, scale: null, possible };
    this.strips.push(strip);
    return strip;
  }

  remove(strip) {
    strip.u?.destroy();
    strip.element.remove();
    this.strips.splice(this.strips.indexOf(strip), 1);
  }

  shown() {
    return this.strips.filter((strip) => !strip.element.hidden);
  }

  makeChart(element, colour, height, strip) {
    const log = this.log;
    const mark = log.decimalMark;
    const drawn = () => strip?.drawn ?? { breaks: [], lonePoints: [] };
    const breaksInPixels = (u, seriesIndex, from, to, nullGaps) => nullGaps.concat(drawn().breaks
      .map(([before, after]) => [u.valToPos(before, "x", true), u.valToPos(after, "x", true)]));
    const lonePoints = (u, seriesIndex, show) =>
      show || drawn().lonePoints.length === 0 ? null : drawn().lonePoints;
    const valueAxis = {
      scale: "y",
      size: VALUE_AXIS_WIDTH,
      font: FONT,
      gap: 3,
      ticks: { show: strip !== null, size: 3 },
      grid: { show: strip !== null, stroke: "#efefef", width: 1 },
      splits: (u) => (strip?.scale ? axisTicks(u.scales.y.min, u.scales.y.max, strip.scale.step) : []),
      values: (u, splits) => splits.map((value) => valueTickText(value, strip.scale.step, mark)),
    };
    const u = new uPlot({
      width: Math.max(element.clientWidth, 100),
      height,
      padding: strip ? PLOT_PADDING : [PLOT_PADDING[0], PLOT_PADDING[1], 0, 0],
      legend: { show: false },
      cursor: {
        x: false,
        y: false,
        points: { show: false },
        drag: { x: true, y: false, setScale: false },
        bind: { dblclick: () => null },
      },
      scales: { x: { time: false, auto: false }, y: { auto: false } },
      axes: [timeAxis(strip === null, mark), valueAxis],
      series: [{}, {
        stroke: colour,
        width: LINE_WIDTH,
        gaps: breaksInPixels,
        points: { size: 4, fill: colour, filter: lonePoints },
      }],
      hooks: {
        setSelect: [(chart) => this.zoomToSelection(chart)],
        drawClear: [(chart) => strip && this.drawShading(chart)],
        draw: [(chart) => (strip ? this.drawStop(chart) : this.drawMarks(chart))],
      },
    }, [[], []], element);
    u.over.addEventListener("mousemove", (event) => {
      const x = event.clientX - u.over.getBoundingClientRect().left;
      this.on.point(u.posToVal(x, "x"));
    });
    u.over.addEventListener("dblclick", () => this.on.whole());
    return u;
  }

  zoomToSelection(u) {
    const { left, width } = u.select;
    if (width >= 2) this.on.zoom(u.posToVal(left, "x"), u.posToVal(left + width, "x"));
    u.setSelect({ left: 0, top: 0, width: 0, height: 0 }, false);
  }

  // A red dashed line where the reading of a damaged log stopped.
  drawStop(u) {
    const stop = this.log.stopTime;
    if (stop === null || stop < this.view.start || stop > this.view.end) return;
    const x = Math.round(u.valToPos(stop, "x", true));
    const { ctx, bbox } = u;
    ctx.save();
    ctx.strokeStyle = "#c00";
    ctx.lineWidth = 1.5 * uPlot.pxRatio;
    ctx.setLineDash([4 * uPlot.pxRatio, 3 * uPlot.pxRatio]);
    ctx.beginPath();
    ctx.moveTo(x, bbox.top);
    ctx.lineTo(x, bbox.top + bbox.height);
    ctx.stroke();
    ctx.restore();
  }

  drawShading(u) {
    if (this.held.length === 0) return;
    const { ctx, bbox } = u;
    ctx.save();
    ctx.fillStyle = SHADE;
    for (const [first, end] of this.held) ctx.fillRect(bbox.left + first, bbox.top, end - first, bbox.height);
    ctx.restore();
  }

  // The marked samples as ticks along the top of the time axis, above its labels.
  drawMarks(u) {
    if (this.marked.length === 0) return;
    const { ctx, bbox } = u;
    ctx.save();
    ctx.fillStyle = MARK;
    const height = 7 * uPlot.pxRatio;
    for (const [first, end] of this.marked) {
      ctx.fillRect(bbox.left + first - uPlot.pxRatio, 0, end - first + 2 * uPlot.pxRatio, height);
    }
    ctx.restore();
  }

  // Strips share the window's height below their top, within bounds that keep them readable.
  stripHeight(count, below) {
    const top = this.element.getBoundingClientRect().top + window.scrollY;
    // Each strip has a border of a pixel above its chart.
    const room = window.innerHeight - top - TIME_AXIS_HEIGHT - below - 12 - count;
    return Math.max(SMALLEST_STRIP, Math.min(LARGEST_STRIP, Math.floor(room / Math.max(count, 1))));
  }

  // Sizes every shown strip, making the charts of strips shown for the first time, and draws.
  layOut(below) {
    const shown = this.shown();
    const height = this.stripHeight(shown.length, below);
    const width = Math.max(this.axisStrip.lastChild.clientWidth, 100);
    for (const strip of shown) {
      strip.chart.style.height = `${height}px`;
      if (!strip.channel.numbers) continue;
      if (strip.u) strip.u.setSize({ width, height });
      else strip.u = this.makeChart(strip.chart, strip.colour, height, strip);
    }
    this.axisChart.setSize({ width, height: TIME_AXIS_HEIGHT });
    this.draw(this.view);
  }

  // Draws every shown strip over the view, with the cursor at cursorTime (or none, null): two
  // points at most per pixel column.
  draw(view, cursorTime = this.cursorTime) {
    this.view = { ...view };
    this.cursorTime = cursorTime;
    const { start, end } = view;
    const times = this.log.timesByTime;
    this.columns = Math.max(1, Math.round(this.axisChart.bbox.width));
    const bounds = columnBounds(times, start, end, this.columns);
    this.held = this.keptBefore ? columnRuns(heldColumns(times, bounds, start, end, this.keptBefore)) : [];
    this.marked = this.markedTimes ? columnRuns(markedColumns(this.markedTimes, start, end, this.columns)) : [];
    for (const strip of this.shown()) {
      const u = strip.u;
      if (!u) continue;
      strip.drawn = stripPoints(times, strip.channel, bounds, start, end, this.log.quietSpell);
      strip.scale = this.scaleOf(strip, u);
      u.batch(() => {
        u.setData([strip.drawn.xs, strip.drawn.ys], false);
        u.setScale("x", { min: start, max: end });
        if (strip.scale) u.setScale("y", { min: strip.scale.min, max: strip.scale.max });
      });
    }
    this.axisChart.batch(() => {
      this.axisChart.setData([[start, end], [null, null]], false);
      this.axisChart.setScale("x", { min: start, max: end });
      this.axisChart.setScale("y", { min: 0, max: 1 });
    });
    this.placeCursor(this.cursorTime);
  }

  scaleOf(strip, u) {
    const { ys } = strip.drawn;
    let low = Infinity;
    let high = -Infinity;
    for (const y of ys) {
      if (y < low) low = y;
      if (y > high) high = y;
    }
    if (low > high) return null;
    return valueScale(low, high, strip.channel.decimals, u.bbox.height / uPlot.pxRatio, strip.possible);
  }

  // Shades where the filter holds; keptBefore as heldColumns takes it, or null for no filter.
  setKept(keptBefore) {
    this.keptBefore = keptBefore;
    this.draw(this.view);
  }

  setMarks(times) {
    this.markedTimes = times;
    this.draw(this.view);
  }

  // The cursor line at a time, or none.
  placeCursor(time) {
    this.cursorTime = time;
    const shown = this.shown().filter((strip) => strip.u || !strip.channel.numbers);
    if (time === null || time < this.view.start || time > this.view.end || shown.length === 0) {
      this.cursorElement.hidden = true;
      return;
    }
    const area = this.element.getBoundingClientRect();
    const over = this.axisChart.over.getBoundingClientRect();
    const top = shown[0].chart.getBoundingClientRect().top;
    const bottom = shown[shown.length - 1].chart.getBoundingClientRect().bottom;
    this.cursorElement.hidden = false;
    this.cursorElement.style.left = `${over.left - area.left + this.axisChart.valToPos(time, "x")}px`;
    this.cursorElement.style.top = `${top - area.top}px`;
    this.cursorElement.style.height = `${bottom - top}px`;
  }

  // The first and last sample by time within the view, or null when it holds none.
  samplesInView() {
    const times = this.log.timesByTime;
    const first = lowerBound(times, this.view.start);
    const last = lowerBound(times, this.view.end + 1e-9) - 1;
    return first <= last ? [first, last] : null;
  }
}
