// Generated coordinate texts that reach the corners of reading and rounding: long and halfway
// decimals, commas, CR line ends, a byte-order mark, the 99999-point cap, values out of range.
// Deterministic, so a failure can be replayed.
// SPDX-License-Identifier: MIT

function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state * 1664525 + 1013904223) >>> 0;
    return state / 2 ** 32;
  };
}

// The exact decimal of the point halfway between a double and the next one up, which no reader
// may round by guessing: significand * 2^exponent written out digit by digit.
function halfwayDecimal(value) {
  const view = new DataView(new ArrayBuffer(8));
  view.setFloat64(0, value);
  const bits = view.getBigUint64(0);
  const exponent = Number((bits >> 52n) & 0x7ffn) - 1075;
  // Halfway: one bit more, set.
  const significand = ((bits & ((1n << 52n) - 1n)) | (1n << 52n)) * 2n + 1n;
  const shift = BigInt(1 - exponent); // value = significand / 2^shift
  const digits = (significand * 5n ** shift).toString().padStart(Number(shift) + 1, '0');
  const point = digits.length - Number(shift);
  return `${digits.slice(0, point)}.${digits.slice(point)}`;
}

export function hardCases() {
  const next = random(20261209);
  const digits = (count) => Array.from({ length: count }, () => Math.floor(next() * 10)).join('');
  const lines = ['# long and halfway decimals'];
  for (let i = 0; i < 300; ++i) {
    const longitude = (next() * 360 - 180).toFixed(6);
    lines.push(`${longitude} ${Math.floor(next() * 90)}.${digits(20 + Math.floor(next() * 60))}`);
    const halfway = halfwayDecimal(next() * 89 + 0.5);
    lines.push(`${longitude} ${halfway}`, `${longitude} ${halfway}0000000000000000000001`);
    // Halfway between two minutes: ties go to the even minute.
    lines.push(`${(Math.floor(next() * 720) + 0.5) / 4} 0.125`, `-0.375 ${(2 * i + 1) / 120}`);
  }
  lines.push('# commas, separators, signs and exponents');
  lines.push('12,5;48,25', '12,75\t48,3', '+1.5e1 -2.5E-1', '.5 5.', '. 1', '1e300 5', '1 1e-400');
  lines.push('# out of range: values that coordlint prints');
  for (let i = 0; i < 200; ++i) {
    lines.push(`${(next() * 900 - 450).toPrecision(17)} ${(next() * 2000 - 1000).toPrecision(17)}`);
    lines.push(`${next() * 1e6} ${next() * 1e-300}`);
  }
  const text = lines.join('\n') + '\n';

  const capped = ['# more points than a segment keeps'];
  for (let i = 0; i < 100003; ++i) capped.push(`${(i % 7200) / 20 - 180} ${(i % 1800) / 20 - 45}`);
  capped.push('#', '1 2');

  return [
    { name: 'hard.txt', bytes: Buffer.from(text) },
    { name: 'hard_lat_first.txt', bytes: Buffer.from(text), latFirst: true },
    { name: 'cr.txt', bytes: Buffer.from(text.replaceAll('\n', '\r')) },
    { name: 'crlf.txt', bytes: Buffer.from(text.replaceAll('\n', '\r\n')) },
    { name: 'bom.txt', bytes: Buffer.from(`\uFEFF12.5 48.25\n13 49\n`) },
    { name: 'capped.txt', bytes: Buffer.from(capped.join('\n')) },
    { name: 'empty.txt', bytes: Buffer.alloc(0) },
  ];
}
