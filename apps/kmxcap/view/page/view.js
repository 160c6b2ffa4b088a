// SPDX-License-Identifier: Apache-2.0
// The live view's page. It builds the camera's knobs from /api/settings,
// sends each change as it is made (the newest value wins while a request
// is on its way), shows /api/status four times a second (statistics,
// histograms, rates, the running procedure) and saves pictures through
// /api/save. The picture itself is the <img> of /stream.mjpg.
'use strict';

const STATUS_INTERVAL_MS = 250;
const STREAM_RETRY_MS = 1000;
const CHANNEL_COLOURS = { R: '#ff5a5a', G: '#4fd65a', B: '#5a96ff', grey: '#d8d8d8' };

const view = {
  rows: new Map(),          // knob name -> { knob, input, output }
  settingsVersion: -1,      // of the settings the knobs show
  exposureUs: 0,
  unsent: new Map(),        // knob name -> value not yet sent
  sending: false,
};

const $ = (id) => document.getElementById(id);

function showMessage(text) {
  $('message').textContent = text;
}

// --- the camera and its knobs ----------------------------------------------

async function loadCamera() {
  const camera = await (await fetch('/api/camera')).json();
  const kind = camera.colour ? 'colour' : 'monochrome';
  $('camera').textContent = `${camera.vendor} ${camera.product} · serial ${camera.serial} · ` +
    `${camera.width}×${camera.height} ${kind}`;
  $('auto-wb').hidden = !camera.colour;
}

// Exposure indexes run from 10 µs (0) to 100 ms (256), a decade every 64.
function exposureText(microseconds) {
  if (microseconds >= 1000) return `${(microseconds / 1000).toPrecision(3)} ms`;
  return `${Math.round(microseconds)} µs`;
}

function valueText(knob, value) {
  if (knob.name === 'exposure') return exposureText(10 * Math.pow(10, value / 64));
  if (knob.step === 0) return Number(value).toFixed(2);
  return String(value);
}

function makeInput(knob) {
  if (knob.choices) {
    const select = document.createElement('select');
    for (const choice of knob.choices) select.add(new Option(choice, choice));
    return select;
  }
  const input = document.createElement('input');
  if (knob.name === 'gamma_on') {
    input.type = 'checkbox';
    return input;
  }
  input.type = 'range';
  input.min = knob.min;
  input.max = knob.max;
  input.step = knob.step === 0 ? 0.01 : knob.step;
  return input;
}

function readInput(knob, input) {
  if (input.type === 'checkbox') return input.checked ? 'on' : 'off';
  return input.value;
}

function writeInput(knob, input, value) {
  if (input.type === 'checkbox') input.checked = Number(value) !== 0;
  else input.value = value;
}

function buildKnobs(settings) {
  const box = $('knobs');
  box.replaceChildren();
  view.rows.clear();
  for (const knob of settings.knobs) {
    const row = document.createElement('div');
    row.className = 'row';
    const label = document.createElement('label');
    label.textContent = knob.label;
    label.htmlFor = `knob-${knob.name}`;
    const input = makeInput(knob);
    input.id = `knob-${knob.name}`;
    input.name = knob.name;
    const output = document.createElement('output');
    output.htmlFor = input.id;
    row.append(label, input, output);
    box.append(row);
    input.addEventListener(knob.choices || input.type === 'checkbox' ? 'change' : 'input', () => {
      const value = readInput(knob, input);
      if (!knob.choices && input.type !== 'checkbox') output.textContent = valueText(knob, value);
      queueChange(knob.name, value);
    });
    view.rows.set(knob.name, { knob, input, output });
  }
}

function showSettings(settings) {
  if (view.rows.size === 0) buildKnobs(settings);
  view.settingsVersion = settings.version;
  view.exposureUs = settings.exposure_us;
  for (const knob of settings.knobs) {
    const row = view.rows.get(knob.name);
    if (!row || view.unsent.has(knob.name)) continue;
    writeInput(knob, row.input, knob.value);
    if (knob.name === 'exposure') row.output.textContent = exposureText(settings.exposure_us);
    else if (!knob.choices && row.input.type !== 'checkbox')
      row.output.textContent = valueText(knob, knob.value);
  }
}

async function loadSettings() {
  showSettings(await (await fetch('/api/settings')).json());
}

function queueChange(name, value) {
  view.unsent.set(name, value);
  sendChanges();
}

// One request at a time; what was changed meanwhile goes in the next one.
async function sendChanges() {
  if (view.sending || view.unsent.size === 0) return;
  view.sending = true;
  const body = new URLSearchParams();
  for (const [name, value] of view.unsent) body.append(name, value);
  view.unsent.clear();
  try {
    const answer = await fetch('/api/settings', { method: 'POST', body });
    if (answer.ok) {
      showSettings(await answer.json());
      showMessage('');
    } else {
      showMessage(await answer.text());
      await loadSettings();
    }
  } catch (error) {
    showMessage('the view is not answering');
  } finally {
    view.sending = false;
    if (view.unsent.size > 0) sendChanges();
  }
}

// --- automatic procedures and Save -----------------------------------------

async function post(path, fields) {
  const answer = await fetch(path, { method: 'POST', body: new URLSearchParams(fields) });
  if (!answer.ok) showMessage(await answer.text());
}

function fileNameOf(disposition) {
  const found = /filename="([^"]+)"/.exec(disposition || '');
  return found ? found[1] : 'kmxcap-picture';
}

async function save() {
  const button = $('save');
  const query = new URLSearchParams({
    format: $('save-format').value,
    frames: $('save-frames').value,
    overlay: $('save-overlay').checked ? '1' : '0',
  });
  button.disabled = true;
  showMessage('saving…');
  try {
    const answer = await fetch(`/api/save?${query}`);
    if (!answer.ok) {
      showMessage(await answer.text());
      return;
    }
    const name = fileNameOf(answer.headers.get('Content-Disposition'));
    const link = document.createElement('a');
    link.href = URL.createObjectURL(await answer.blob());
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
    showMessage(`saved ${name}`);
  } catch (error) {
    showMessage('the view is not answering');
  } finally {
    button.disabled = false;
  }
}

// --- status: rates, statistics, histograms, the running job ---------------

function drawHistograms(channels) {
  const canvas = $('histogram');
  const context = canvas.getContext('2d');
  context.clearRect(0, 0, canvas.width, canvas.height);
  // Scaled to the tallest bin between the ends, so that a saturated or
  // black picture does not flatten everything else.
  let tallest = 1;
  for (const channel of channels)
    for (let v = 1; v < 255; ++v) tallest = Math.max(tallest, channel.histogram[v]);
  context.globalCompositeOperation = 'lighter';
  for (const channel of channels) {
    context.strokeStyle = CHANNEL_COLOURS[channel.name] || '#ddd';
    context.beginPath();
    channel.histogram.forEach((count, v) => {
      const y = canvas.height - Math.min(1, count / tallest) * (canvas.height - 2);
      if (v === 0) context.moveTo(v + 0.5, y);
      else context.lineTo(v + 0.5, y);
    });
    context.stroke();
  }
}

function showStats(channels) {
  const rows = channels.map((channel) => {
    const row = document.createElement('tr');
    for (const text of [channel.name, channel.mean.toFixed(2), channel.sd.toFixed(2),
                        `${(channel.saturated * 100).toFixed(2)} %`]) {
      const cell = document.createElement('td');
      cell.textContent = text;
      row.append(cell);
    }
    return row;
  });
  $('stats').tBodies[0].replaceChildren(...rows);
}

function showJob(job) {
  const active = job.state === 'queued' || job.state === 'running';
  $('job').textContent = job.number === 0 ? '' :
    `${job.name}: ${job.state}${job.message ? ` (${job.message})` : ''}`;
  $('stop').disabled = !active;
  for (const button of document.querySelectorAll('[data-auto]')) button.disabled = active;
}

function showStatus(status) {
  $('rates').textContent = `camera ${status.camera_fps.toFixed(1)} fps · ` +
    `pictures ${status.picture_fps.toFixed(1)} fps · viewers ${status.viewers}`;
  if (status.frame) {
    const frame = status.frame;
    drawHistograms(frame.channels);
    showStats(frame.channels);
    $('frame').textContent = `frame ${frame.number}, ${frame.width}×${frame.height}`;
  }
  if (status.failures > 0 && status.last_failure) $('frame').textContent +=
    ` · ${status.failures} failed (${status.last_failure})`;
  showJob(status.job);
  // Changed elsewhere (a procedure, another browser): show what holds now.
  if (status.settings_version !== view.settingsVersion && !view.sending && view.unsent.size === 0)
    loadSettings().catch(() => {});
}

async function pollStatus() {
  try {
    showStatus(await (await fetch('/api/status')).json());
  } catch (error) {
    $('rates').textContent = 'not connected';
  } finally {
    setTimeout(pollStatus, STATUS_INTERVAL_MS);
  }
}

// --- start ---------------------------------------------------------------

function watchStream() {
  const picture = $('live');
  picture.addEventListener('error', () => {
    showMessage('the picture stopped; trying again…');
    setTimeout(() => { picture.src = `/stream.mjpg?retry=${Date.now()}`; }, STREAM_RETRY_MS);
  });
}

async function start() {
  watchStream();
  for (const button of document.querySelectorAll('[data-auto]'))
    button.addEventListener('click', () => post('/api/auto', { kind: button.dataset.auto }));
  $('stop').addEventListener('click', () => post('/api/stop', {}));
  $('save').addEventListener('click', save);
  try {
    await loadCamera();
    await loadSettings();
  } catch (error) {
    showMessage('the view is not answering');
  }
  pollStatus();
}

start();
