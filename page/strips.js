// The strips: one uPlot chart per channel over a shared time axis, every run a line of its own
// style in each, a cursor line across them, zoom by dragging, the time where the filter holds
// shaded, and the samples of a table's cell marked on the time axis. The axis rules and the
// series of several runs are plain functions that Node tests; the charts need the page's
// document and uPlot.
import {
  columnBounds, stripPoints, tickTimeText, TIME_STEPS, valueSteps, valueTickText,
} from "./log_data.js";

export const COLOURS = ["#1f5fbf", "#c0392b", "#2e8b3a", "#8e44ad", "#d35400", "#16808a", "#7a5c00",
  "#c2185b", "#455a64", "#5d4cc4", "#9c6b30", "#00838f"];
// Each run's line: the reference's solid, the others dashed each their own way.
export const DASHES = [[], [6, 3], [2, 2], [8, 3, 2, 3], [1, 3], [12, 4], [4, 2, 1, 2, 1, 2], [12, 2, 2, 2]];
// The narrowest value axis, and the room beside its widest label: the gap and the tick.
const VALUE_AXIS_WIDTH = 60;
const VALUE_AXIS_ROOM = 10;
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
  for (const step of valueSteps(decimals)) {
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

// The points of several runs' series over one time array, as uPlot draws aligned series: every
// run's points at their times, in time order, a run without a point at a time left out there
// (undefined), which its line passes over; where runs have several points at one time, that time
// takes as many places as the most. The breaks stay each run's; its lone points become places.
export function sharedSeries(parts) {
  if (parts.length === 1) {
    const [{ xs, ys, breaks, lonePoints }] = parts;
    return { xs, ys: [ys], breaks: [breaks], lonePoints: [lonePoints] };
  }
  const most = parts.reduce((sum, part) => sum + part.xs.length, 0);
  const xs = new Float64Array(most);
  const ys = parts.map(() => new Array(most));
  const placeOf = parts.map((part) => new Int32Array(part.xs.length));
  const next = new Int32Array(parts.length);
  let places = 0;
  // Plain loops without destructuring or calls, as the page runs this cold, once per strip.
  for (;;) {
    let x = Infinity;
    for (let run = 0; run < parts.length; run++) {
      const runXs = parts[run].xs;
      if (next[run] < runXs.length && runXs[next[run]] < x) x = runXs[next[run]];
    }
    if (x === Infinity) break;
    let end = places;
    for (let run = 0; run < parts.length; run++) {
      const runXs = parts[run].xs;
      const runYs = parts[run].ys;
      const series = ys[run];
      const runPlaces = placeOf[run];
      let at = next[run];
      let place = places;
      while (at < runXs.length && runXs[at] === x) {
        series[place] = runYs[at];
        runPlaces[at++] = place++;
      }
      next[run] = at;
      if (place > end) end = place;
    }
    while (places < end) xs[places++] = x;
  }
  for (const series of ys) series.length = places;
  return {
    xs: xs.subarray(0, places),
    ys,
    breaks: parts.map((part) => part.breaks),
    lonePoints: parts.map((part, run) => part.lonePoints.map((point) => placeOf[run][point])),
  };
}

// A run's points of a channel over the page's view, at the page's times; `bounds` are the run's
// samples of each pixel column.
function runPoints(run, channel, bounds, view, quietSpell) {
  if (!channel?.numbers) return { xs: [], ys: [], breaks: [], lonePoints: [] };
  const [start, end] = [view.start + run.offset, view.end + run.offset];
  const drawn = stripPoints(run.log.timesByTime, channel, bounds, start, end, quietSpell);
  if (run.offset !== 0) {
    for (let i = 0; i < drawn.xs.length; i++) drawn.xs[i] -= run.offset;
    drawn.breaks = drawn.breaks.map(([before, after]) => [before - run.offset, after - run.offset]);
  }
  return drawn;
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
  // Strips of the page's runs (page.runs, each placed by its offset) over the view {start, end},
  // a strip's channel in a run being page.channelIn(run, heading); on.point(time) follows the
  // mouse, on.zoom(start, end) a drag, on.whole() a double-click.
  constructor(page, view, element, cursorElement, on) {
    this.page = page;
    this.element = element;
    this.cursorElement = cursorElement;
    this.on = on;
    this.strips = [];
    // Strips are numbered as they are made, so that a number names one strip however many go.
    this.made = 0;
    this.view = { ...view };
    this.columns = 1;
    this.valueAxisWidth = VALUE_AXIS_WIDTH;
    this.measure = document.createElement("canvas").getContext("2d");
    this.measure.font = FONT;
    this.markedTimes = null;
    this.cursorTime = null;
    // Per run, the runs of pixel columns where the filter holds.
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

  // A strip for the channel of that heading, before the time axis; `label` names it, its output
  // shows the cursor's values. `possible` is the range the channel can hold, or null.
  add({ heading, label: text, decimals, numbers, possible }, colour) {
    const element = document.createElement("div");
    element.className = "strip";
    element.dataset.channel = String(this.made++);
    const label = document.createElement("div");
    label.className = "strip-label";
    const name = document.createElement("span");
    name.className = "heading";
    name.textContent = text;
    name.style.borderColor = colour;
    const value = document.createElement("output");
    value.className = "value";
    value.dataset.channel = element.dataset.channel;
    label.append(name, value);
    const chart = document.createElement("div");
    chart.className = "strip-chart";
    element.append(label, chart);
    if (!numbers) {
      const note = document.createElement("p");
      note.className = "no-values";
      note.textContent = "No values: the channel table does not know this channel.";
      chart.append(note);
    }
    this.element.insertBefore(element, this.axisStrip);
    const strip = { heading, decimals, numbers, colour, element, chart, value, u: null, drawn: null, scale: null, possible };
    this.strips.push(strip);
    return strip;
  }

  remove(strip) {
    strip.u?.destroy();
    strip.element.remove();
    this.strips.splice(this.strips.indexOf(strip), 1);
  }

  // Charts are made for as many runs as the page has: after a run is added, each is made again.
  remake() {
    for (const strip of this.strips) {
      strip.u?.destroy();
      strip.u = null;
    }
  }

  shown() {
    return this.strips.filter((strip) => !strip.element.hidden);
  }

  makeChart(element, colour, height, strip) {
    const mark = this.page.decimalMark;
    const runs = strip ? this.page.runs.length : 1;
    const drawn = () => strip?.drawn ?? { breaks: [[]], lonePoints: [[]] };
    const breaksInPixels = (u, seriesIndex, from, to, nullGaps) => nullGaps.concat(drawn().breaks[seriesIndex - 1]
      .map(([before, after]) => [u.valToPos(before, "x", true), u.valToPos(after, "x", true)]));
    const lonePoints = (u, seriesIndex, show) =>
      show || drawn().lonePoints[seriesIndex - 1].length === 0 ? null : drawn().lonePoints[seriesIndex - 1];
    const valueAxis = {
      scale: "y",
      size: () => this.valueAxisWidth,
      font: FONT,
      gap: 3,
      ticks: { show: strip !== null, size: 3 },
      grid: { show: strip !== null, stroke: "#efefef", width: 1 },
      splits: (u) => (strip?.scale ? axisTicks(u.scales.y.min, u.scales.y.max, strip.scale.step) : []),
      values: (u, splits) => splits.map((value) => valueTickText(value, strip.scale.step, mark)),
    };
    const series = Array.from({ length: runs }, (_, run) => ({
      stroke: colour,
      width: LINE_WIDTH,
      dash: DASHES[run],
      gaps: breaksInPixels,
      points: { size: 4, fill: colour, filter: lonePoints },
    }));
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
      series: [{}, ...series],
      hooks: {
        setSelect: [(chart) => this.zoomToSelection(chart)],
        drawClear: [(chart) => strip && this.drawShading(chart)],
        draw: [(chart) => (strip ? this.drawStops(chart) : this.drawMarks(chart))],
      },
    }, [[], ...series.map(() => [])], element);
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

  // A red dashed line where the reading of a damaged log stopped, in each run's own dashes.
  drawStops(u) {
    const { ctx, bbox } = u;
    this.page.runs.forEach((run, index) => {
      if (run.log.stopTime === null) return;
      const stop = run.log.stopTime - run.offset;
      if (stop < this.view.start || stop > this.view.end) return;
      const x = Math.round(u.valToPos(stop, "x", true));
      ctx.save();
      ctx.strokeStyle = "#c00";
      ctx.lineWidth = 1.5 * uPlot.pxRatio;
      ctx.setLineDash((index === 0 ? [4, 3] : DASHES[index]).map((length) => length * uPlot.pxRatio));
      ctx.beginPath();
      ctx.moveTo(x, bbox.top);
      ctx.lineTo(x, bbox.top + bbox.height);
      ctx.stroke();
      ctx.restore();
    });
  }

  // The time where the filter holds, shaded once per run, so that it shows darker where it holds
  // in several.
  drawShading(u) {
    const { ctx, bbox } = u;
    ctx.save();
    ctx.fillStyle = SHADE;
    for (const held of this.held) {
      for (const [first, end] of held) ctx.fillRect(bbox.left + first, bbox.top, end - first, bbox.height);
    }
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
      if (!strip.numbers) continue;
      if (strip.u) strip.u.setSize({ width, height });
      else strip.u = this.makeChart(strip.chart, strip.colour, height, strip);
    }
    this.axisChart.setSize({ width, height: TIME_AXIS_HEIGHT });
    this.draw(this.view);
  }

  // Draws every shown strip over the view, with the cursor at cursorTime (or none, null): two
  // points at most per pixel column and run. The value axes take the width of the widest label
  // of any strip, so that every plot spans the same time; a draw that widens them draws again.
  draw(view, cursorTime = this.cursorTime, settled = false) {
    this.view = { ...view };
    this.cursorTime = cursorTime;
    const { start, end } = view;
    const { runs, quietSpell } = this.page;
    this.columns = Math.max(1, Math.round(this.axisChart.bbox.width));
    const bounds = runs.map((run) => columnBounds(run.log.timesByTime, start + run.offset, end + run.offset, this.columns));
    this.held = runs.filter((run) => run.keptBefore).map((run) => columnRuns(heldColumns(run.log.timesByTime,
      bounds[runs.indexOf(run)], start + run.offset, end + run.offset, run.keptBefore)));
    this.marked = this.markedTimes ? columnRuns(markedColumns(this.markedTimes, start, end, this.columns)) : [];
    const drawing = this.shown().filter((strip) => strip.u);
    let widest = 0;
    for (const strip of drawing) {
      strip.drawn = sharedSeries(runs.map((run, index) => runPoints(run, this.page.channelIn(run, strip.heading), bounds[index], view, quietSpell)));
      strip.scale = this.scaleOf(strip);
      if (!strip.scale) continue;
      for (const tick of axisTicks(strip.scale.min, strip.scale.max, strip.scale.step)) {
        widest = Math.max(widest, this.measure.measureText(valueTickText(tick, strip.scale.step, this.page.decimalMark)).width);
      }
    }
    const axisWidth = Math.max(VALUE_AXIS_WIDTH, Math.ceil(widest) + VALUE_AXIS_ROOM);
    const widened = axisWidth !== this.valueAxisWidth;
    this.valueAxisWidth = axisWidth;
    for (const strip of drawing) {
      const u = strip.u;
      u.batch(() => {
        u.setData([strip.drawn.xs, ...strip.drawn.ys], false);
        u.setScale("x", { min: start, max: end });
        if (strip.scale) u.setScale("y", { min: strip.scale.min, max: strip.scale.max });
      });
    }
    this.axisChart.batch(() => {
      this.axisChart.setData([[start, end], [null, null]], false);
      this.axisChart.setScale("x", { min: start, max: end });
      this.axisChart.setScale("y", { min: 0, max: 1 });
    });
    if (widened && !settled) {
      this.draw(view, cursorTime, true);
      return;
    }
    this.placeCursor(this.cursorTime);
  }

  scaleOf(strip) {
    let low = Infinity;
    let high = -Infinity;
    for (const ys of strip.drawn.ys) {
      for (const y of ys) {
        if (y < low) low = y;
        if (y > high) high = y;
      }
    }
    if (low > high) return null;
    return valueScale(low, high, strip.decimals, strip.u.bbox.height / uPlot.pxRatio, strip.possible);
  }

  // Shades where the filter holds, from each run's keptBefore (as heldColumns takes it, or null
  // for no filter).
  setKept() {
    this.draw(this.view);
  }

  // Marks times of the page's axis on the time axis, or nothing (null).
  setMarks(times) {
    this.markedTimes = times;
    this.draw(this.view);
  }

  // The cursor line at a time, or none.
  placeCursor(time) {
    this.cursorTime = time;
    const shown = this.shown().filter((strip) => strip.u || !strip.numbers);
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
}
