// The log page's glue, run in the same module script as log_data.js, whose functions it calls:
// one uPlot strip per channel over a shared time axis, one cursor read on every strip, zoom by
// dragging, buttons or keys, and a check box that shows or hides each strip.

const COLOURS = ["#1f5fbf", "#c0392b", "#2e8b3a", "#8e44ad", "#d35400", "#16808a", "#7a5c00",
  "#c2185b", "#455a64", "#5d4cc4", "#9c6b30", "#00838f"];
const VALUE_AXIS_WIDTH = 60;
const TIME_AXIS_HEIGHT = 32;
const SMALLEST_STRIP = 44;
const LARGEST_STRIP = 150;
// The narrowest view, in hundredths.
const SMALLEST_SPAN = 5;
const FONT = "11px system-ui, sans-serif";
// Lines of one pixel, which a browser without a GPU draws many times faster than wider ones.
const LINE_WIDTH = 1;

const stripsElement = document.getElementById("strips");
const cursorElement = document.getElementById("cursor");
const cursorTime = document.getElementById("cursor-time");
const cursorSample = document.getElementById("cursor-sample");

const log = readLog(JSON.parse(document.getElementById("log-data").textContent));
const mark = log.decimalMark;
const whole = log.count === 0 ? { start: 0, end: 100 }
  : log.times[0] === log.times[log.count - 1]
    ? { start: log.times[0] - 50, end: log.times[0] + 50 }
    : { start: log.times[0], end: log.times[log.count - 1] };
const view = { ...whole };
let cursor = -1;

function timeAxis(showTicks) {
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

function valueAxis(showValues, decimals) {
  return {
    scale: "y",
    size: VALUE_AXIS_WIDTH,
    space: 18,
    incrs: valueSteps(decimals),
    font: FONT,
    gap: 3,
    ticks: { show: showValues, size: 3 },
    grid: { show: showValues, stroke: "#efefef", width: 1 },
    values: (u, splits, axis, space, step) =>
      splits.map((value) => (showValues ? valueTickText(value, step, mark) : "")),
  };
}

// A red dashed line where the reading of a damaged log stopped.
function drawStop(u) {
  if (log.stopTime === null || log.stopTime < view.start || log.stopTime > view.end) return;
  const x = Math.round(u.valToPos(log.stopTime, "x", true));
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

const UNBROKEN = { breaks: [], lonePoints: [] };

// A strip's chart; drawn() gives where the line of its points breaks and which stand alone.
function makeChart(element, colour, height, showTicks, withValues, decimals = 0,
  drawn = () => UNBROKEN) {
  const breaksInPixels = (u, seriesIndex, from, to, nullGaps) => nullGaps.concat(drawn().breaks
    .map(([before, after]) => [u.valToPos(before, "x", true), u.valToPos(after, "x", true)]));
  const lonePoints = (u, seriesIndex, show) =>
    show || drawn().lonePoints.length === 0 ? null : drawn().lonePoints;
  const u = new uPlot({
    width: Math.max(element.clientWidth, 100),
    height,
    padding: [7, 14, showTicks ? 0 : 7, 0],
    legend: { show: false },
    cursor: {
      x: false,
      y: false,
      points: { show: false },
      drag: { x: true, y: false, setScale: false },
      bind: { dblclick: () => null },
    },
    scales: { x: { time: false, auto: false }, y: { auto: false } },
    axes: [timeAxis(showTicks), valueAxis(withValues, decimals)],
    series: [{}, {
      stroke: colour,
      width: LINE_WIDTH,
      gaps: breaksInPixels,
      points: { size: 4, fill: colour, filter: lonePoints },
    }],
    hooks: { setSelect: [zoomToSelection], draw: [drawStop] },
  }, [[], []], element);
  u.over.addEventListener("mousemove", (event) => {
    const x = event.clientX - u.over.getBoundingClientRect().left;
    moveCursorTo(nearestSample(log.times, u.posToVal(x, "x")), false);
  });
  u.over.addEventListener("dblclick", showWholeLog);
  return u;
}

const strips = log.channels.map((channel, index) => {
  const colour = COLOURS[index % COLOURS.length];
  const element = document.createElement("div");
  element.className = "strip";
  element.dataset.channel = String(index);
  const label = document.createElement("div");
  label.className = "strip-label";
  const heading = document.createElement("span");
  heading.className = "heading";
  heading.textContent = channel.heading;
  heading.style.borderColor = colour;
  const value = document.createElement("output");
  value.className = "value";
  value.dataset.channel = String(index);
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
  stripsElement.append(element);
  return { channel, colour, element, chart, value, u: null, drawn: UNBROKEN };
});

const axisStrip = document.createElement("div");
axisStrip.className = "strip axis-strip";
axisStrip.innerHTML = '<div class="strip-label"><span class="axis-caption">minutes:seconds</span>' +
  '</div><div class="strip-chart"></div>';
stripsElement.append(axisStrip);
const axisChart = makeChart(axisStrip.lastChild, "transparent", TIME_AXIS_HEIGHT, true, false);

const choice = document.getElementById("channel-choice");
strips.forEach((strip, index) => {
  const label = document.createElement("label");
  const box = document.createElement("input");
  box.type = "checkbox";
  box.checked = true;
  box.dataset.channel = String(index);
  box.addEventListener("change", () => {
    strip.element.hidden = !box.checked;
    layOut();
  });
  const swatch = document.createElement("span");
  swatch.className = "swatch";
  swatch.style.background = strip.colour;
  label.append(box, swatch, strip.channel.heading);
  choice.append(label);
});

function shownStrips() {
  return strips.filter((strip) => !strip.element.hidden);
}

// Strips share the window's height below the controls, within bounds that keep them readable.
function stripHeight(count) {
  const top = stripsElement.getBoundingClientRect().top + window.scrollY;
  const keys = document.getElementById("keys").offsetHeight;
  const room = window.innerHeight - top - TIME_AXIS_HEIGHT - keys - 12;
  return Math.max(SMALLEST_STRIP, Math.min(LARGEST_STRIP, Math.floor(room / Math.max(count, 1))));
}

function layOut() {
  const shown = shownStrips();
  const height = stripHeight(shown.length);
  const width = Math.max(axisStrip.lastChild.clientWidth, 100);
  for (const strip of shown) {
    strip.chart.style.height = `${height}px`;
    if (!strip.channel.numbers) continue;
    if (strip.u) {
      strip.u.setSize({ width, height });
    } else {
      strip.u = makeChart(strip.chart, strip.colour, height, false, true, strip.channel.decimals,
        () => strip.drawn);
    }
  }
  axisChart.setSize({ width, height: TIME_AXIS_HEIGHT });
  redraw();
}

function valueRange(ys) {
  let low = Infinity;
  let high = -Infinity;
  for (const y of ys) {
    if (y < low) low = y;
    if (y > high) high = y;
  }
  if (low > high) return null;
  const pad = high > low ? (high - low) * 0.08 : Math.abs(high) > 0 ? Math.abs(high) * 0.1 : 1;
  return { min: low - pad, max: high + pad };
}

// Draws every shown strip over the view: two points at most per pixel column.
function redraw() {
  const columns = Math.max(1, Math.round(axisChart.bbox.width / uPlot.pxRatio));
  const bounds = columnBounds(log.times, view.start, view.end, columns);
  for (const strip of shownStrips()) {
    const u = strip.u;
    if (!u) continue;
    strip.drawn = stripPoints(log.times, strip.channel, bounds, view.start, view.end,
      log.quietSpell);
    const range = valueRange(strip.drawn.ys);
    u.batch(() => {
      u.setData([strip.drawn.xs, strip.drawn.ys], false);
      u.setScale("x", { min: view.start, max: view.end });
      if (range) u.setScale("y", range);
    });
  }
  axisChart.batch(() => {
    axisChart.setData([[view.start, view.end], [null, null]], false);
    axisChart.setScale("x", { min: view.start, max: view.end });
    axisChart.setScale("y", { min: 0, max: 1 });
  });
  placeCursor();
}

function placeCursor() {
  const shown = shownStrips().filter((strip) => strip.u || !strip.channel.numbers);
  const time = cursor < 0 ? null : log.times[cursor];
  if (time === null || time < view.start || time > view.end || shown.length === 0) {
    cursorElement.hidden = true;
    return;
  }
  const area = stripsElement.getBoundingClientRect();
  const over = axisChart.over.getBoundingClientRect();
  const top = shown[0].chart.getBoundingClientRect().top;
  const bottom = shown[shown.length - 1].chart.getBoundingClientRect().bottom;
  cursorElement.hidden = false;
  cursorElement.style.left = `${over.left - area.left + axisChart.valToPos(time, "x")}px`;
  cursorElement.style.top = `${top - area.top}px`;
  cursorElement.style.height = `${bottom - top}px`;
}

function showCursorValues() {
  if (cursor < 0) {
    cursorTime.textContent = "-";
    cursorSample.textContent = log.count === 0 ? "(the log holds no samples)" : "";
    for (const strip of strips) strip.value.textContent = "";
    return;
  }
  cursorTime.textContent = sampleTimeText(log.seconds[cursor], log.hundredths[cursor], mark);
  cursorSample.textContent = `sample ${cursor + 1} of ${log.count}`;
  for (const strip of strips) strip.value.textContent = strip.channel.texts[strip.channel.bytes[cursor]];
}

// Moves the cursor to a sample; from the keys, the view follows it when it leaves the view.
function moveCursorTo(sample, follow) {
  if (sample < 0) return;
  cursor = sample;
  showCursorValues();
  const time = log.times[cursor];
  if (follow && (time < view.start || time > view.end)) {
    const span = view.end - view.start;
    setView(time - span / 2, time + span / 2);
  } else {
    placeCursor();
  }
}

// Shows start to end, moved inside the log and widened to the narrowest view when narrower.
function setView(start, end) {
  const span = Math.min(Math.max(end - start, SMALLEST_SPAN), whole.end - whole.start);
  const middle = (start + end) / 2;
  const from = Math.min(Math.max(middle - span / 2, whole.start), whole.end - span);
  view.start = from;
  view.end = from + span;
  redraw();
}

function zoomToSelection(u) {
  const { left, width } = u.select;
  if (width >= 2) setView(u.posToVal(left, "x"), u.posToVal(left + width, "x"));
  u.setSelect({ left: 0, top: 0, width: 0, height: 0 }, false);
}

// Zooms by factor, keeping the cursor where it is on the screen when it is in the view.
function zoomBy(factor) {
  const time = cursor >= 0 ? log.times[cursor] : null;
  const centre = time !== null && time >= view.start && time <= view.end
    ? time : (view.start + view.end) / 2;
  setView(centre - (centre - view.start) * factor, centre + (view.end - centre) * factor);
}

function showWholeLog() {
  setView(whole.start, whole.end);
}

// Steps the cursor by samples; a cursor outside the view comes back in at the edge it steps from.
function stepCursor(samples) {
  if (log.count === 0) return;
  const time = cursor >= 0 ? log.times[cursor] : null;
  if (time === null || time < view.start || time > view.end) {
    const first = lowerBound(log.times, view.start);
    const last = lowerBound(log.times, view.end + 1e-9) - 1;
    if (first <= last) {
      moveCursorTo(samples > 0 ? first : last, false);
      return;
    }
  }
  moveCursorTo(Math.min(Math.max(cursor + samples, 0), log.count - 1), true);
}

document.getElementById("whole-log").addEventListener("click", showWholeLog);
document.getElementById("zoom-in").addEventListener("click", () => zoomBy(0.5));
document.getElementById("zoom-out").addEventListener("click", () => zoomBy(2));

const KEYS = {
  ArrowLeft: (event) => stepCursor(event.shiftKey ? -10 : -1),
  ArrowRight: (event) => stepCursor(event.shiftKey ? 10 : 1),
  Home: () => moveCursorTo(0, true),
  End: () => moveCursorTo(log.count - 1, true),
  "+": () => zoomBy(0.5),
  "=": () => zoomBy(0.5),
  "-": () => zoomBy(2),
  Escape: showWholeLog,
};
document.addEventListener("keydown", (event) => {
  const act = KEYS[event.key];
  if (!act || event.ctrlKey || event.altKey || event.metaKey) return;
  event.preventDefault();
  act(event);
});

let layOutQueued = false;
window.addEventListener("resize", () => {
  if (layOutQueued) return;
  layOutQueued = true;
  requestAnimationFrame(() => {
    layOutQueued = false;
    layOut();
  });
});

layOut();
if (log.count > 0) moveCursorTo(0, false);
else showCursorValues();

// What tests and the benchmark read of the page.
window.quilletPage = {
  view: () => ({ ...view }),
  whole: () => ({ ...whole }),
  cursor: () => cursor,
  stripScales: () => shownStrips().filter((strip) => strip.u)
    .map((strip) => ({ heading: strip.channel.heading, min: strip.u.scales.x.min, max: strip.u.scales.x.max })),
  // Milliseconds spent drawing every strip over start to end.
  timeView(start, end) {
    const begun = performance.now();
    setView(start, end);
    return performance.now() - begun;
  },
};
performance.mark("quillet-page-drawn");
document.documentElement.dataset.ready = "true";
