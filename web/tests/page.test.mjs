// The page in Debian's Chromium, headless: for a set of sounds it chooses
// the file, fills the fields, converts, takes the download's bytes and
// compares them with the native korvel-cli's for the same settings (the
// compressed kinds by their sound); it checks the refusals' messages, the
// preview's length, several files in one .zip, a phone's layout, the
// accessibility of every state in both languages, installability, a
// reload and a conversion offline, that no request leaves 127.0.0.1, and
// takes the screenshots of the README.
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
const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm", ".bmp": "image/bmp",
                ".png": "image/png", ".webmanifest": "application/manifest+json" };
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
  if (c.start || c.length) args.push("--start", String(c.start || 0), "--length", String(c.length || 66.04));
  if (c.fadeIn) args.push("--fade-in", String(c.fadeIn));
  if (c.fadeOut) args.push("--fade-out", String(c.fadeOut));
  if (c.normalize) args.push("--normalize");
  execFileSync(nativeCli, [...args, file]);
  return fs.readFileSync(out);
}

function nativeRefusal(file, japanese) {
  const run = spawnSync(nativeCli, ["convert", file], { env: { ...process.env, LANG: japanese ? "ja_JP.UTF-8" : "C.UTF-8", LC_ALL: "" } });
  const line = run.stderr.toString().trim();
  return line.slice(line.indexOf(": ", "korvel-cli: ".length) + 2);
}

const browser = await puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true, args: ["--no-sandbox", "--lang=en-US", "--autoplay-policy=no-user-gesture-required"] });
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

async function choose(page, ...files) {
  await page.$eval("#result", (r) => (r.textContent = ""));
  const input = await page.$("#file");
  await input.uploadFile(...files);
  // Done when every file is read: the settings name the first accepted, or
  // a refusal is shown.
  await page.waitForFunction(
    () => document.querySelector("#reading").hidden && (!document.querySelector("#settings").hidden ||
      document.querySelector("#result").textContent !== ""),
    { timeout: 120000 },
  );
}

async function convert(page, c) {
  const type = (e, v) => {
    e.value = v;
    e.dispatchEvent(new Event("input"));
  };
  if (c.title !== undefined) await page.$eval("#title", type, c.title);
  if (c.copyright) await page.$eval("#copyright", type, c.copyright);
  if (c.rate) await page.click(`#rate-${c.rate}`);
  if (c.save === false) await page.click("#save");
  else if (c.transfer === false) await page.click("#transfer");
  if (c.drag) {
    // Inside the window, away from its edges: the window moves.
    const box = await (await page.$("#waveform")).boundingBox();
    await page.mouse.move(box.x + box.width * 0.3, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.move(box.x + box.width * 0.3 + c.drag, box.y + box.height / 2, { steps: 4 });
    await page.mouse.up();
  }
  // The window moved with the arrow keys, or its end dragged.
  if (c.keys) {
    await page.focus("#window");
    for (let i = 0; i < c.keys; ++i) await page.keyboard.press("ArrowRight");
  }
  if (c.edge) {
    const box = await (await page.$("#window")).boundingBox();
    await page.mouse.move(box.x + box.width - 2, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.move(box.x + box.width - 2 + c.edge, box.y + box.height / 2, { steps: 4 });
    await page.mouse.up();
  }
  for (const [id, value] of [["start", c.typedStart], ["length", c.length], ["fade-in", c.fadeIn], ["fade-out", c.fadeOut]])
    if (value !== undefined) {
      await page.$eval(`#${id}`, (e, v) => {
        e.value = v;
        e.dispatchEvent(new Event("change"));
      }, String(value));
    }
  if (c.normalize) await page.click("#normalize");
  const started = Date.now();
  await page.click("#convert");
  await page.waitForFunction(() => document.querySelector("#result").dataset.milliseconds !== undefined && !document.querySelector("#convert").disabled,
    { timeout: 120000 });
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
  { name: "long-whole.wav", format: "-r 22050 -c 2 -b 16", synth: "90 sine 100:2000" },
  { name: "long-keys.wav", format: "-r 22050 -c 2 -b 16", synth: "90 sine 100:2000", keys: 7 },
  { name: "long-edge.wav", format: "-r 22050 -c 2 -b 16", synth: "90 sine 100:2000", edge: -150 },
  // The kinds only korvel-cli's way reads, and a part with fades at the loudness korvel-cli's --normalize gives.
  { name: "wide.aiff", format: "-r 44100 -c 2 -b 24", synth: "2 sine 300" },
  { name: "float.wav", format: "-r 48000 -c 2 -b 32 -e floating-point", synth: "2 sine 300 vol 1.5" },
  { name: "three.aif", format: "-r 96000 -c 3 -b 32", synth: "2 sine 300" },
  { name: "part.wav", format: "-r 44100 -c 2 -b 16", synth: "40 sine 100:3000", typedStart: "0:12.5", start: 12.5, length: 7.25, fadeIn: 1, fadeOut: 2.5, normalize: true },
];

const page = await openPage();
for (const c of cases) {
  const file = sox(c.name, c.format, c.synth);
  await choose(page, file);
  check(await page.$eval("#title", (e) => e.value) === c.name.slice(0, c.name.lastIndexOf(".")), `${c.name}: the base name is the title`);
  const offered = await page.$eval("#rate-8000", (e) => !e.disabled);
  check(offered === !/-(4000|7999)\./.test(c.name), `${c.name}: 8 kHz ${offered ? "offered" : "not offered"}`);
  const result = await convert(page, c);
  if (c.drag || c.keys || c.edge) [c.start, c.length] = await page.evaluate(() => [Part.start, Part.length]);
  if (c.keys) {
    const said = await page.$eval("#window", (e) => e.getAttribute("aria-valuetext"));
    check(c.start === 0.7 && said.startsWith("from 0:00.700 to 1:06.740"), `${c.name}: seven presses of the right arrow key: ${said}`);
  }
  // The part heard before converting lasts as long as the part.
  await page.$eval("#listen-part", (a) => {
    a.removeAttribute("src");
    a.load();
  });
  await page.click("#play-part");
  const heard = await page.waitForFunction(() => {
    const audio = document.querySelector("#listen-part");
    return audio.src !== "" && audio.readyState >= 1 && audio.duration;
  }, { timeout: 60000 });
  const partLength = await page.evaluate(() => Part.length);
  const heardLength = await heard.jsonValue();
  check(Math.abs(heardLength - partLength) < 0.001, `${c.name}: the part heard lasts ${heardLength} s, the part ${partLength} s`);
  await page.$eval("#listen-part", (a) => a.pause());
  // The size told before converting is the size written.
  const expected = await page.$eval("#expected", (e) => e.textContent);
  const native = nativeBytes(file, c);
  check(result.bytes !== undefined && Buffer.from(result.bytes, "base64").equals(native),
        `${c.name}: the same bytes as korvel-cli${c.start || c.length ? ` --start ${c.start || 0} --length ${c.length || 66.04}` : ""}`);
  check(result.name === c.name.slice(0, c.name.lastIndexOf(".")) + ".mmf", `${c.name}: offered as ${result.name}`);
  // The play length: two samples an ADPCM byte.
  const info = JSON.parse(execFileSync(nativeCli, ["info", "--json", path.join(work, "native.mmf")]).toString());
  check(Math.abs(result.duration - (2 * info.adpcmBytes) / info.rate) < 0.001, `${c.name}: the preview plays ${result.duration.toFixed(3)} s`);
  check(result.text.startsWith("Tessal File Size : ") && expected.includes(result.text.slice("Tessal File Size : ".length)),
        `${c.name}: ${result.text}, as told before: ${expected}`);
}
if (screenshotFolder) await page.screenshot({ path: path.join(screenshotFolder, "page-en.png"), fullPage: true });

// A refusal of each kind, in the words of korvel-cli --strict, in English
// and in Japanese.
const refusals = [
  { name: "notes.txt", make: (f) => fs.writeFileSync(f, "text") },
  { name: "noise.wav", make: (f) => fs.writeFileSync(f, Buffer.alloc(100, 7)) },
  { name: "broken.mp3", make: (f) => fs.writeFileSync(f, Buffer.concat([Buffer.from("ID3"), Buffer.alloc(5000, 0x5a)])) },
  { name: "slow.wav", format: "-r 3000 -c 1 -b 16", synth: "1 sine 300" },
  { name: "short.aif", format: "-r 8000 -c 1 -b 16", synth: "0.01 sine 300" },
];
for (const japanese of [false, true]) {
  if (japanese) {
    // The language switch says the shown outcome again.
    const english = await page.$eval("#result", (e) => e.textContent);
    await page.click("#language");
    const japaneseText = await page.$eval("#result", (e) => e.textContent);
    check(japaneseText !== english && /[\u3040-\u30ff\u4e00-\u9fff]/.test(japaneseText), `the outcome said again in Japanese: ${japaneseText}`);
  }
  for (const r of refusals) {
    const file = r.make ? path.join(work, r.name) : sox(r.name, r.format, r.synth);
    if (r.make) r.make(file);
    await choose(page, file);
    const shown = await page.$eval("#result", (e) => e.textContent);
    const native = nativeRefusal(file, japanese);
    check(native !== "" && shown.startsWith(native), `${r.name}: refused with "${shown}"`);
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
  const upsampled = await page.evaluate(async (bytes) => {
    const file = new File([new Uint8Array(bytes)], "m8-4000.wav");
    await ask({ kind: "open", key: -1, file, name: file.name, peaks: 0 });
    return ask({ kind: "convert", key: -1, plan: { title: "t", copyright: "", rate: 8000, save: true, transfer: true } });
  }, slow);
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

// The sound of a Tessal file as numbers, and how alike two sounds are.
function soundOf(mmf) {
  const file = path.join(work, "sound.mmf");
  fs.writeFileSync(file, mmf);
  const wav = execFileSync(nativeCli, ["decode", "-q", "-o", "-", file]);
  return new Int16Array(wav.buffer.slice(wav.byteOffset + 44, wav.byteOffset + wav.length - (wav.length % 2)));
}
function correlation(a, b) {
  const n = Math.min(a.length, b.length);
  let ab = 0, aa = 0, bb = 0;
  for (let i = 0; i < n; ++i) {
    ab += a[i] * b[i];
    aa += a[i] * a[i];
    bb += b[i] * b[i];
  }
  return ab / Math.sqrt(aa * bb);
}

// Every compressed kind: decoded in the page, its sound is korvel-cli's
// (which decodes it with libsndfile) and lasts as long, to a tick of 4 ms.
// The same for a part of an MP3 chosen by typing its start and length.
{
  const page = await openPage();
  const source = path.join(work, "song.wav");
  execFileSync("sox", ["-D", "-n", "-r", "44100", "-c", "2", "-b", "16", source, "synth", "24", "pluck", "220", "sine", "330:990", "tremolo", "3"], { stdio: "ignore" });
  const encoded = [
    ["song.mp3", "lame", ["--quiet", "-b", "160", source]],
    ["song.flac", "flac", ["-s", "-f", source, "-o"]],
    ["song.ogg", "oggenc", ["-Q", source, "-o"]],
    ["song.opus", "opusenc", ["--quiet", source]],
  ];
  for (const [name, tool, args] of encoded) {
    const file = path.join(work, name);
    execFileSync(tool, [...args, file], { stdio: "ignore" });
    for (const c of [{}, ...(name.endsWith(".mp3") ? [{ typedStart: "0:05.250", start: 5.25, length: 10 }] : [])]) {
      await choose(page, file);
      const result = await convert(page, c);
      const mine = result.bytes ? soundOf(Buffer.from(result.bytes, "base64")) : new Int16Array();
      const theirs = soundOf(nativeBytes(file, c));
      const r = correlation(mine, theirs);
      const ticks = Math.abs(mine.length - theirs.length) / 32;
      check(r > 0.9 && ticks <= 1, `${name}${c.start ? ` from ${c.start} s for ${c.length} s` : ""}: the sound of korvel-cli (correlation ${r.toFixed(4)}, ${mine.length} and ${theirs.length} samples)`);
    }
  }
  // The kinds only the browser decodes, which korvel-cli does not read:
  // WebM and MP4 sound recorded by the browser itself, 1.5 s of a tone.
  for (const [type, name] of [["audio/webm;codecs=opus", "tone.webm"], ["audio/mp4", "tone.m4a"]]) {
    const recorded = await page.evaluate(async (type) => {
      if (!MediaRecorder.isTypeSupported(type)) return null;
      const context = new AudioContext();
      const tone = context.createOscillator();
      const out = context.createMediaStreamDestination();
      tone.connect(out);
      tone.start();
      const recorder = new MediaRecorder(out.stream, { mimeType: type });
      const parts = [];
      recorder.ondataavailable = (event) => parts.push(event.data);
      recorder.start();
      await new Promise((resolve) => setTimeout(resolve, 1500));
      recorder.stop();
      await new Promise((resolve) => (recorder.onstop = resolve));
      const bytes = new Uint8Array(await new Blob(parts).arrayBuffer());
      let binary = "";
      for (let i = 0; i < bytes.length; i += 8192) binary += String.fromCharCode(...bytes.subarray(i, i + 8192));
      return btoa(binary);
    }, type);
    if (recorded === null) {
      console.log(`(this Chromium records no ${type})`);
      continue;
    }
    const file = path.join(work, name);
    fs.writeFileSync(file, Buffer.from(recorded, "base64"));
    await choose(page, file);
    const result = await convert(page, {});
    const seconds = result.bytes ? soundOf(Buffer.from(result.bytes, "base64")).length / 8000 : 0;
    check(seconds > 1.2 && seconds < 1.8, `${name}: decoded by the browser and converted, ${seconds.toFixed(3)} s`);
  }
  await page.close();
}

// Several files at once: each converted with the shared settings and its
// own title, listed with its outcome, and all in one .zip.
{
  const page = await openPage();
  const files = ["m16-8000.aif", "s16-11025.wav", "notes.txt", "song.flac"].map((n) => path.join(work, n));
  await choose(page, ...files);
  const result = await convert(page, { rate: 4000 });
  const listed = await page.$$eval("#outcomes li", (items) => items.length);
  const zip = await page.evaluate(async () => {
    const bytes = new Uint8Array(await (await fetch(document.querySelector("#download-all").href)).arrayBuffer());
    let binary = "";
    for (let i = 0; i < bytes.length; i += 8192) binary += String.fromCharCode(...bytes.subarray(i, i + 8192));
    return btoa(binary);
  });
  const zipFile = path.join(work, "all.zip");
  fs.writeFileSync(zipFile, Buffer.from(zip, "base64"));
  const names = execFileSync("unzip", ["-Z1", zipFile]).toString().trim().split("\n");
  const same = ["m16-8000.aif", "s16-11025.wav"].every((n) =>
    execFileSync("unzip", ["-p", zipFile, n.replace(/\.\w+$/, ".mmf")]).equals(nativeBytes(path.join(work, n), { rate: 4000 })));
  check(listed === 4 && names.length === 3 && same && result.text.startsWith("3 of 4"),
        `four files, one refused: ${result.text} ${listed} listed, ${names.join(", ")} in the .zip with korvel-cli's bytes`);
  await page.close();
}

// A phone from 360 to 430 px wide: nothing scrolls sideways, every control
// can be tapped (44 x 44 px), the outcome is in view after converting and
// has the focus; one h1; axe-core finds nothing in any state, in either
// language.
{
  let findings = [];
  const axeSource = fs.readFileSync(new URL("../node_modules/axe-core/axe.min.js", import.meta.url), "utf8");
  async function audit(page, state) {
    await page.addScriptTag({ content: axeSource });
    const found = await page.evaluate(async () => (await axe.run()).violations.map((v) => `${v.id} (${v.nodes.length})`));
    if (found.length) findings.push(`${state}: ${found.join(", ")}`);
  }
  async function tapTargets(page) {
    return page.evaluate(() => {
      const small = [];
      for (const control of document.querySelectorAll("button, input, a[href], [role=slider], audio")) {
        if (control.closest("[hidden]") || control.offsetParent === null) continue;
        const target = control.closest("label") || control;
        const box = target.getBoundingClientRect();
        if (box.width < 44 || box.height < 44) small.push(`${control.id || control.textContent} ${Math.round(box.width)}x${Math.round(box.height)}`);
      }
      return small;
    });
  }
  for (const width of [360, 390, 430]) {
    const page = await browser.newPage();
    await page.emulate({ viewport: { width, height: 800, deviceScaleFactor: 3, isMobile: true, hasTouch: true },
      userAgent: "Mozilla/5.0 (Linux; Android 14) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120 Mobile Safari/537.36" });
    await page.goto(address);
    const states = [];
    for (const japanese of [false, true]) {
      if (japanese) await page.click("#language");
      const tag = japanese ? "ja" : "en";
      if (width === 390) await audit(page, `start ${tag}`);
      await choose(page, path.join(work, "long.wav"));
      if (width === 390) await audit(page, `chosen ${tag}`);
      states.push(...(await tapTargets(page)));
      await convert(page, {});
      const seen = await page.evaluate(() => {
        const box = document.querySelector("#download").getBoundingClientRect();
        return { inView: box.top >= 0 && box.bottom <= innerHeight, focused: document.activeElement.id, wide: document.documentElement.scrollWidth <= innerWidth };
      });
      states.push(...(await tapTargets(page)));
      if (width === 390) await audit(page, `converted ${tag}`);
      check(seen.inView && seen.focused === "outcome" && seen.wide, `${width} px ${tag}: the download in view, the focus on the outcome, nothing scrolls sideways`);
      if (screenshotFolder && width === 390) await page.screenshot({ path: path.join(screenshotFolder, `page-phone-${tag}.png`), fullPage: true });
      await choose(page, path.join(work, "notes.txt"));
      if (width === 390) await audit(page, `refused ${tag}`);
    }
    check(states.length === 0, `${width} px: every control is at least 44 x 44 px${states.length ? ": " + [...new Set(states)].join(", ") : ""}`);
    check(await page.$$eval("h1", (h) => h.length) === 1, `${width} px: one h1`);
    await page.close();
  }
  check(findings.length === 0, `axe-core: nothing found in any state, in either language${findings.length ? ": " + findings.join("; ") : ""}`);
}

// Installable, and after one visit the page reloads and converts with the
// network gone.
{
  const page = await openPage();
  const session = await page.createCDPSession();
  const { installabilityErrors } = await session.send("Page.getInstallabilityErrors");
  check(installabilityErrors.length === 0, `installable${installabilityErrors.length ? ": " + JSON.stringify(installabilityErrors) : ""}`);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.waitForFunction(async () => (await caches.keys()).length > 0 && (await (await caches.open((await caches.keys())[0])).keys()).length > 10);
  offline = true;
  await page.reload();
  await choose(page, path.join(work, "m16-8000.aif"));
  const result = await convert(page, {});
  offline = false;
  check(result.bytes !== undefined && Buffer.from(result.bytes, "base64").equals(nativeBytes(path.join(work, "m16-8000.aif"), {})),
        "reloaded and converted offline: the bytes of korvel-cli");
  await page.close();
}

check(outside.length === 0, `no request left 127.0.0.1${outside.length ? ": " + outside.join(", ") : ""}`);
await browser.close();
server.close();
fs.rmSync(work, { recursive: true, force: true });
console.log(failures === 0 ? "every check passed" : `${failures} checks failed`);
process.exit(failures === 0 ? 0 : 1);
