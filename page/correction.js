// The fuel correction of each sample, for the table's "correction %": the measured value (an
// air-fuel ratio or lambda) as the sensor reads it `lag` later, since it reads the exhaust a
// moment after the engine was where the sample stands, against the target at the sample.
// 100 × (measured / target − 1) is the share of fuel to add: a measured 13.2 against a target of
// 12.0 is +10.0. No DOM here, so that Node tests it.

import { typedSeconds } from "./log_data.js";

// The longest lag, in seconds: a sensor further behind than this reads another part of the map.
export const MOST_LAG = 5;

// "Lag (s)" as typed, in the page's decimal mark: seconds from 0 to MOST_LAG with at most three
// decimals, as hundredths. Throws a RangeError that says what to type.
export function readLag(text, decimalMark) {
  const lag = typedSeconds(text, decimalMark);
  if (lag === null || lag > MOST_LAG * 100) {
    throw new RangeError(`Give the lag in seconds from 0 to ${MOST_LAG} with at most three decimals, as 0${decimalMark}3`);
  }
  return lag;
}

// The first sample after the stretch that starts at `from`: a stretch runs on while the clock
// neither steps back nor stays silent for longer than quietSpell.
function stretchEnd(times, from, quietSpell) {
  let end = from + 1;
  while (end < times.length && times[end] >= times[end - 1] && times[end] - times[end - 1] <= quietSpell) end++;
  return end;
}

// Each sample's value `lag` hundredths after its time (times and values in file order, NaN for
// no value): linearly between the two samples around that time in the file's order, or the
// sample at it. None past the last sample, nor across a step back of the clock or a silence
// longer than quietSpell, where the samples either side are not of one stretch of running.
export function valuesLater(times, values, lag, quietSpell = Infinity) {
  return readLater(times, values, lag, quietSpell, null, new Float64Array(times.length));
}

// Each sample's correction in per cent, 100 × (M / T − 1), M the measured value `lag` later and T
// the target at the sample; none (NaN) where either has no value or T is not above 0. Written
// into `corrections`, which a page of millions of samples keeps to work them out again.
export function sampleCorrections(times, measured, target, lag, quietSpell = Infinity, corrections = new Float64Array(times.length)) {
  return readLater(times, measured, lag, quietSpell, target, corrections);
}

// valuesLater into `out`, or with a target, each value as the correction it gives: one pass over
// the samples, which a log of millions of them needs.
function readLater(times, values, lag, quietSpell, target, out) {
  const count = times.length;
  let end = 0;
  // The first sample at or after the time read; it only moves on, as that time does.
  let after = 0;
  for (let i = 0; i < count; i++) {
    if (i === end) end = stretchEnd(times, i, quietSpell);
    const time = times[i] + lag;
    if (after < i) after = i;
    while (after < end && times[after] < time) after++;
    let value = NaN;
    if (after < end) {
      const t1 = times[after];
      if (t1 === time) {
        value = values[after];
      } else {
        const t0 = times[after - 1];
        const v0 = values[after - 1];
        value = v0 + ((values[after] - v0) * (time - t0)) / (t1 - t0);
      }
    }
    if (target === null) {
      out[i] = value;
    } else {
      const goal = target[i];
      out[i] = goal > 0 ? 100 * (value / goal - 1) : NaN;
    }
  }
  return out;
}
