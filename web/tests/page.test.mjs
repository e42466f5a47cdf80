// The page in Debian's Chromium, headless: for a set of sounds it chooses
// the file, fills the fields, converts, takes the download's bytes and
// compares them with the native korvel-cli's for the same settings; it
// checks the refusals' messages, the preview's length, that no request
// leaves 127.0.0.1, and takes the screenshots of the README.
//
// usage: node tests/page.test.mjs PAGE-FOLDER NATIVE-KORVEL-CLI [SCREENSHOT-FOLDER]

import { execFileSync, spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";

const [folderArgument, nativeCli, screenshotFolder] = process.argv.slice(2);
if (!folderArgument || !nativeCli) {
  console.error("usage: node tests/page.test.mjs PAGE-FOLDER NATIVE-KORVEL-CLI [SCREENSHOT-FOLDER]");
  process.exit(2);
}

const pageFolder = path.resolve(folderArgument);
let failures = 0;
function check(condition, what) {
  console.log(`${condition ? "ok  " : "FAIL"} ${what}`);
  if (!condition) failures++;
}

// The page's folder on 127.0.0.1, the module as application/wasm. While
// `offline` is set, every request is dropped, as a network that is gone.
let offline = false;
const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm", ".bmp": "image/bmp" };
const server = http.createServer((request, response) => {
  if (offline) {
    request.socket.destroy();
    return;
  }
  const name = path.join(pageFolder, decodeURIComponent(new URL(request.url, "http://x").pathname).replace(/\/$/, "/index.html"));
  if (!name.startsWith(path.resolve(pageFolder)) || !fs.existsSync(name)) {
    response.writeHead(404).end();
    return;
  }
  response.writeHead(200, { "Content-Type": types[path.extname(name)] || "application/octet-stream" });
  response.end(fs.readFileSync(name));
});
await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
const address = `http://127.0.0.1:${server.address().port}/`;

const work = fs.mkdtempSync(path.join(os.tmpdir(), "korvel-page-"));
function sox(name, format, synth) {
  const file = path.join(work, name);
  execFileSync("sox", ["-D", "-n", ...format.split(" "), file, "synth", ...synth.split(" ")], { stdio: "ignore" });
  return file;
}

// What the native korvel-cli writes for the same settings.
function nativeBytes(file, c) {
  const out = path.join(work, "native.mmf");
  const args = ["convert", "-q", "-o", out];
  if (c.title !== undefined) args.push("--title", c.title);
  if (c.copyright) args.push("--copyright", c.copyright);
  if (c.rate) args.push("--rate", String(c.rate));
  if (c.save === false) args.push("--no-save");
  else if (c.transfer === false) args.push("--no-transfer");
  if (c.start) args.push("--start", String(c.start), "--length", "66.04");
  execFileSync(nativeCli, [...args, file]);
  return fs.readFileSync(out);
}

function nativeRefusal(file, japanese) {
  const run = spawnSync(nativeCli, ["convert", "--strict", file], { env: { ...process.env, LANG: japanese ? "ja_JP.UTF-8" : "C.UTF-8", LC_ALL: "" } });
  const line = run.stderr.toString().trim();
  return line.slice(line.indexOf(": ", "korvel-cli: ".length) + 2);
}

const browser = await puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true, args: ["--no-sandbox", "--lang=en-US"] });
const outside = [];

async function openPage() {
  const page = await browser.newPage();
  await page.setViewport({ width: 640, height: 900 });
  page.on("request", (request) => {
    const url = new URL(request.url());
    if (url.protocol !== "blob:" && url.protocol !== "data:" && url.hostname !== "127.0.0.1") outside.push(request.url());
  });
  await page.goto(address);
  return page;
}

async function choose(page, file) {
  await page.$eval("#result", (r) => (r.textContent = ""));
  const input = await page.$("#file");
  await input.uploadFile(file);
  // Done when the settings name this file, or a refusal is shown.
  await page.waitForFunction(
    (name) =>
      (!document.querySelector("#settings").hidden && document.querySelector("#chosen").textContent.startsWith(name + " ")) ||
      (document.querySelector("#settings").hidden && document.querySelector("#result").textContent !== ""),
    {},
    path.basename(file),
  );
}

async function convert(page, c) {
  if (c.title !== undefined) await page.$eval("#title", (e, v) => (e.value = v), c.title);
  if (c.copyright) await page.$eval("#copyright", (e, v) => (e.value = v), c.copyright);
  if (c.rate) await page.click(`#rate-${c.rate}`);
  if (c.save === false) await page.click("#save");
  else if (c.transfer === false) await page.click("#transfer");
  if (c.drag) {
    const box = await (await page.$("#waveform")).boundingBox();
    await page.mouse.move(box.x + 20, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.move(box.x + 20 + c.drag, box.y + box.height / 2, { steps: 4 });
    await page.mouse.up();
  }
  const started = Date.now();
  await page.click("#convert");
  await page.waitForFunction(() => document.querySelector("#result").dataset.milliseconds !== undefined && !document.querySelector("#convert").disabled);
  const elapsed = Date.now() - started;
  const outcome = await page.evaluate(async () => {
    const link = document.querySelector("#download");
    const result = document.querySelector("#result");
    delete result.dataset.milliseconds;
    if (link.hidden) return { text: result.textContent };
    const bytes = new Uint8Array(await (await fetch(link.href)).arrayBuffer());
    const preview = document.querySelector("#preview");
    if (preview.readyState < 1) await new Promise((resolve) => (preview.onloadedmetadata = resolve));
    let binary = "";
    for (let i = 0; i < bytes.length; i += 8192) binary += String.fromCharCode(...bytes.subarray(i, i + 8192));
    return { text: result.textContent, bytes: btoa(binary), name: link.download, duration: preview.duration };
  });
  return { ...outcome, elapsed };
}

// The first conversion of a fresh page: a 66 s 44.1 kHz stereo WAV.
{
  const file = sox("minute.wav", "-r 44100 -c 2 -b 16", "66 sine 220:880");
  const page = await openPage();
  await choose(page, file);
  const result = await convert(page, {});
  console.log(`first conversion of a 66 s 44.1 kHz stereo WAV in the page: ${result.elapsed} ms`);
  check(Buffer.from(result.bytes, "base64").equals(nativeBytes(file, {})), "66 s 44.1 kHz stereo WAV: the same bytes");
  await page.close();
}

const cases = [
  { name: "m8-4000.wav", format: "-r 4000 -c 1 -b 8 -e unsigned-integer", synth: "1 sine 300" },
  { name: "s8-7999.aif", format: "-r 7999 -c 2 -b 8", synth: "1.5 sine 500" },
  { name: "m16-8000.aif", format: "-r 8000 -c 1 -b 16", synth: "2 sine 700", rate: 4000 },
  { name: "s16-11025.wav", format: "-r 11025 -c 2 -b 16", synth: "2 sine 440", transfer: false },
  { name: "m16-22050.aif", format: "-r 22050 -c 1 -b 16", synth: "2 square 220", save: false },
  { name: "s16-44056.wav", format: "-r 44056 -c 2 -b 16", synth: "3 sine 1000" },
  { name: "s16-48000.wav", format: "-r 48000 -c 2 -b 16", synth: "3 pluck 440", title: "着信音 \u{1F3B5}", copyright: "© 2026, \\ 日本 \u{1F600}" },
  { name: "着信音 \u{1F600}.wav", format: "-r 32000 -c 1 -b 16", synth: "2 sine 880" },
  { name: "long.wav", format: "-r 22050 -c 2 -b 16", synth: "90 sine 100:2000", drag: 60 },
];

const page = await openPage();
for (const c of cases) {
  const file = sox(c.name, c.format, c.synth);
  await choose(page, file);
  check(await page.$eval("#title", (e) => e.value) === c.name.slice(0, c.name.lastIndexOf(".")), `${c.name}: the base name is the title`);
  const offered = await page.$eval("#rate-8000", (e) => !e.disabled);
  check(offered === !/-(4000|7999)\./.test(c.name), `${c.name}: 8 kHz ${offered ? "offered" : "not offered"}`);
  const result = await convert(page, c);
  if (c.drag) c.start = Number(await page.$eval("#waveform", (e) => e.dataset.start));
  const native = nativeBytes(file, c);
  check(result.bytes !== undefined && Buffer.from(result.bytes, "base64").equals(native), `${c.name}: the same bytes as korvel-cli${c.start ? ` --start ${c.start}` : ""}`);
  check(result.name === c.name.slice(0, c.name.lastIndexOf(".")) + ".mmf", `${c.name}: offered as ${result.name}`);
  // The play length: two samples an ADPCM byte.
  const info = JSON.parse(execFileSync(nativeCli, ["info", "--json", path.join(work, "native.mmf")]).toString());
  check(Math.abs(result.duration - (2 * info.adpcmBytes) / info.rate) < 0.001, `${c.name}: the preview plays ${result.duration.toFixed(3)} s`);
  check(result.text.startsWith("Tessal File Size : "), `${c.name}: ${result.text}`);
}
if (screenshotFolder) await page.screenshot({ path: path.join(screenshotFolder, "page-en.png"), fullPage: true });

// A refusal of each kind, in the words of korvel-cli --strict, in English
// and in Japanese.
const refusals = [
  { name: "notes.txt", make: (f) => fs.writeFileSync(f, "text") },
  { name: "noise.wav", make: (f) => fs.writeFileSync(f, Buffer.alloc(100, 7)) },
  { name: "slow.wav", format: "-r 3000 -c 1 -b 16", synth: "1 sine 300" },
  { name: "wide.aif", format: "-r 8000 -c 1 -b 24", synth: "1 sine 300" },
  { name: "three.aif", format: "-r 8000 -c 3 -b 16", synth: "1 sine 300" },
  { name: "short.aif", format: "-r 8000 -c 1 -b 16", synth: "0.01 sine 300" },
];
for (const japanese of [false, true]) {
  if (japanese) await page.click("#language");
  for (const r of refusals) {
    const file = r.make ? path.join(work, r.name) : sox(r.name, r.format, r.synth);
    if (r.make) r.make(file);
    await choose(page, file);
    const shown = await page.$eval("#result", (e) => e.textContent);
    check(shown === nativeRefusal(file, japanese) && shown !== "", `${r.name}: refused with "${shown}"`);
  }
}
{
  await choose(page, path.join(work, "s16-48000.wav"));
  await convert(page, {});
  if (screenshotFolder) await page.screenshot({ path: path.join(screenshotFolder, "page-ja.png"), fullPage: true });
}

// A text longer than a file holds (as it stores it) is refused before
// converting, with the limit, never cut or split; then, with the network
// gone after loading, a conversion shows its outcome with its picture.
{
  const page = await openPage();
  await choose(page, path.join(work, "m16-8000.aif"));
  for (const title of ["\u3042".repeat(86), "\u{1F600}".repeat(64) + "x", "\u{1F600}".repeat(43)]) {
    const result = await convert(page, { title });
    check(result.bytes === undefined && result.text.includes("256"), `a title of ${[...title].length} characters: refused with "${result.text}"`);
  }
  // The worker itself holds the rate rule: 8000 Hz of a 4000 Hz sound is
  // refused, whatever the page asks.
  const slow = [...fs.readFileSync(path.join(work, "m8-4000.wav"))];
  const upsampled = await page.evaluate((bytes) => ask({ kind: "convert", bytes: new Uint8Array(bytes).buffer, name: "m8-4000.wav",
    plan: { title: "t", copyright: "", rate: 8000, save: true, transfer: true, start: 0, length: 0 } }), slow);
  check(!upsampled.ok && upsampled.fault === "rate" && upsampled.soundRate === 4000 && !upsampled.mmf,
        `8000 Hz asked of a 4000 Hz sound in the worker: refused (${JSON.stringify({ ok: upsampled.ok, fault: upsampled.fault })})`);
  const fits = await convert(page, { title: "\u{1F600}".repeat(42) + "\u3042" });
  check(fits.bytes !== undefined && Buffer.from(fits.bytes, "base64").equals(nativeBytes(path.join(work, "m16-8000.aif"), { title: "\u{1F600}".repeat(42) + "\u3042" })),
        "a title of 42 emoji and one kana: the bytes of korvel-cli");
  await page.close();
  const quiet = await openPage();
  await choose(quiet, path.join(work, "m16-8000.aif"));
  offline = true;
  const done = await convert(quiet, {});
  const plate = await quiet.$eval("#plate", (e) => e.src);
  check(done.bytes !== undefined && plate.startsWith("data:image/"), "offline after loading: converted, the outcome's picture shown");
  offline = false;
  await quiet.close();
}

check(outside.length === 0, `no request left 127.0.0.1${outside.length ? ": " + outside.join(", ") : ""}`);
await browser.close();
server.close();
fs.rmSync(work, { recursive: true, force: true });
console.log(failures === 0 ? "every check passed" : `${failures} checks failed`);
process.exit(failures === 0 ? 0 : 1);
