// How long the page takes against the native korvel-cli on this machine,
// in the same run: a 66 s 44.1 kHz stereo WAV from choosing the file to the
// outcome, and from pressing convert to the outcome (the median of RUNS,
// with the fastest and the slowest), beside korvel-cli's wall time for the
// same conversion; the page's times by its own clock. Then how much the
// browser's memory grows while the page reads a 60-minute MP3 and keeps
// 30 s of it (the MP3 is made once, into HOUR-MP3). Prints the figures;
// tools/page-speed runs it.
//
// usage: node tests/speed.mjs PAGE-FOLDER NATIVE-KORVEL-CLI RUNS HOUR-MP3

import { execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

const [folder, nativeCli, runArgument, hourMp3] = process.argv.slice(2);
const runs = Number(runArgument || 11);
const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm" };
const server = http.createServer((request, response) => {
  const name = path.join(folder, decodeURIComponent(new URL(request.url, "http://x").pathname).replace(/\/$/, "/index.html"));
  if (!fs.existsSync(name)) return response.writeHead(404).end();
  response.writeHead(200, { "Content-Type": types[path.extname(name)] || "application/octet-stream" });
  response.end(fs.readFileSync(name));
});
await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
const work = fs.mkdtempSync(path.join(os.tmpdir(), "korvel-speed-"));
const wav = path.join(work, "minute.wav");
execFileSync("sox", ["-D", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "66", "pluck", "220", "sine", "330:990"]);
// The same sound under a second name: the file chooser takes a new choice.
const copy = path.join(work, "minute-2.wav");
fs.copyFileSync(wav, copy);

function spread(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return { median: sorted[Math.floor(sorted.length / 2)], low: sorted[0], high: sorted[sorted.length - 1] };
}
const show = (s) => `${s.median.toFixed(1)} ms (${s.low.toFixed(1)}–${s.high.toFixed(1)})`;

const native = [];
for (let i = 0; i < runs; ++i) {
  const started = process.hrtime.bigint();
  execFileSync(nativeCli, ["convert", "-q", "-o", path.join(work, "native.mmf"), wav]);
  native.push(Number(process.hrtime.bigint() - started) / 1e6);
}

const launch = () => puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true, args: ["--no-sandbox"] });
let browser = await launch();
let page = await browser.newPage();
await page.goto(`http://127.0.0.1:${server.address().port}/`);
const choose = [];
const convert = [];
const worker = [];
// The page's own clock: from the choice to the settings shown, and from
// the press of convert to the outcome shown (and the worker's part of it).
async function pressConvert() {
  await page.click("#convert");
  await page.waitForFunction(() => document.querySelector("#result").dataset.milliseconds !== undefined);
  return page.$eval("#result", (e) => {
    const times = [Number(e.dataset.milliseconds), Number(e.dataset.worker)];
    delete e.dataset.milliseconds;
    return times;
  });
}
for (let i = 0; i < runs + 1; ++i) {
  await page.$eval("#chosen", (e) => delete e.dataset.milliseconds);
  await (await page.$("#file")).uploadFile(i % 2 ? wav : copy);
  await page.waitForFunction(() => document.querySelector("#chosen").dataset.milliseconds !== undefined);
  const chosen = await page.$eval("#chosen", (e) => Number(e.dataset.milliseconds));
  const [first] = await pressConvert();
  const [converted, inWorker] = await pressConvert();
  // The first round compiles the module: it is not counted.
  if (i > 0) {
    choose.push(chosen + first);
    convert.push(converted);
    worker.push(inWorker);
  }
}

// The memory of every process of the browser, in MiB.
function browserMemory() {
  const pids = [String(browser.process().pid)];
  for (let i = 0; i < pids.length; ++i) {
    const children = `/proc/${pids[i]}/task/${pids[i]}/children`;
    if (fs.existsSync(children)) pids.push(...fs.readFileSync(children, "utf8").trim().split(/\s+/).filter(Boolean));
  }
  let kib = 0;
  for (const pid of pids) {
    const status = `/proc/${pid}/status`;
    const match = fs.existsSync(status) && /VmRSS:\s+(\d+)/.exec(fs.readFileSync(status, "utf8"));
    if (match) kib += Number(match[1]);
  }
  return kib / 1024;
}

if (!fs.existsSync(hourMp3)) {
  const made = `${hourMp3}.part`;
  execFileSync("bash", ["-c", `sox -D -n -r 44100 -c 2 -b 16 -t wav - synth 3600 pluck 220 sine 330:990 | lame --quiet -b 128 - "${made}"`]);
  fs.renameSync(made, hourMp3);
}
// A fresh browser whose page has converted one short sound, so that what
// grows is what the MP3 takes, not the converter's first start.
await browser.close();
browser = await launch();
page = await browser.newPage();
await page.goto(`http://127.0.0.1:${server.address().port}/`);
const short = path.join(work, "short.wav");
execFileSync("sox", ["-D", "-n", "-r", "44100", "-c", "2", "-b", "16", short, "synth", "2", "sine", "440"]);
await (await page.$("#file")).uploadFile(short);
await page.waitForFunction(() => document.querySelector("#reading").hidden && !document.querySelector("#settings").hidden);
await pressConvert();
await new Promise((resolve) => setTimeout(resolve, 1000));
const before = browserMemory();
let peak = before;
const watch = setInterval(() => (peak = Math.max(peak, browserMemory())), 100);
const started = Date.now();
await (await page.$("#file")).uploadFile(hourMp3);
await page.waitForFunction(() => document.querySelector("#reading").hidden && !document.querySelector("#settings").hidden, { timeout: 600000 });
const read = Date.now() - started;
for (const [id, value] of [["start", "30:00"], ["length", "30"]])
  await page.$eval(`#${id}`, (e, v) => {
    e.value = v;
    e.dispatchEvent(new Event("change"));
  }, value);
const again = Date.now();
await page.click("#convert");
await page.waitForFunction(() => document.querySelector("#result").dataset.milliseconds !== undefined, { timeout: 600000 });
const kept = Date.now() - again;
clearInterval(watch);
const said = await page.$eval("#result", (e) => e.textContent);
await browser.close();
server.close();
fs.rmSync(work, { recursive: true, force: true });
const n = spread(native);
const c = spread(convert);
const h = spread(choose);
console.log(`66 s 44.1 kHz stereo WAV, ${runs} runs, median (fastest–slowest):`);
console.log(`  korvel-cli (native)    ${show(n)}`);
console.log(`  page: convert → result ${show(c)}  ${(c.median / n.median).toFixed(2)}× native`);
console.log(`  page: choose → result  ${show(h)}  ${(h.median / n.median).toFixed(2)}× native`);
console.log(`  of which the worker's conversion ${show(spread(worker))}`);
console.log(`60-minute MP3 (${(fs.statSync(hourMp3).size / 1048576).toFixed(1)} MiB): read and drawn in ${(read / 1000).toFixed(1)} s, ` +
            `30 s from 30:00 converted in ${(kept / 1000).toFixed(1)} s (${said})`);
console.log(`  the browser's memory grew by ${(peak - before).toFixed(0)} MiB at most (${before.toFixed(0)} → ${peak.toFixed(0)} MiB)`);
