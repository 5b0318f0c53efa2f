// The page: drive C from the files the user picks (or the example built into
// the page), the program's console in #screen with buttons for the answers,
// and the outputs offered for download after a run that ended with exit
// status 0, each said what it is for. Each run is a fresh instance of the
// program; nothing is sent anywhere.
(function () {
  const kColumns = 80, kRows = 25;
  const kOutputs = ['user.drc', 'tunewerk.txt', 'audio.txt', 'video.txt'];
  const kInputs = [
    { name: '3ci.drc', what: 'the file saved from the receiver' },
    { name: 'user.sdx', what: 'the channel list' },
    { name: 'vaz3er.ini', what: 'its settings' },
  ];
  const kPurpose = {
    'user.drc': 'load this into your receiver: its new channels',
    'tunewerk.txt': 'what the new user.drc holds, to read',
    'audio.txt': 'the radio programmes, numbered as on the receiver',
    'video.txt': 'the TV programmes, numbered as on the receiver',
  };
  const kWarningPrefix = 'tunewerk: warning: ';
  const kNoProgrammeWarning = 'no programme was selected';
  const $ = (selector) => document.querySelector(selector);
  const screenElement = $('#screen'), statusElement = $('#status'), outputsElement = $('#outputs');
  const questionElement = $('#question'), warningsElement = $('#warnings');
  const answerButtons = ['#key-y', '#key-n', '#key-enter', '#cancel'].map($);

  // The console: what the program drew last, with the line being typed shown
  // at the cursor as a terminal echoes it.
  const view = {
    glyphs: new Array(kColumns * kRows).fill(' '),
    attributes: new Uint8Array(kColumns * kRows).fill(7),
    cursorColumn: 1,
    cursorRow: 1,
  };
  const rowElements = [];
  for (let row = 0; row < kRows; ++row) rowElements.push(screenElement.appendChild(document.createElement('div')));

  function span(text, attribute, extraClass) {
    const element = document.createElement('span');
    element.className = `f${attribute & 15} b${attribute >> 4}` + (extraClass ? ' ' + extraClass : '');
    element.textContent = text;
    return element;
  }

  function renderRow(row) {
    const cells = view.glyphs.slice(row * kColumns, (row + 1) * kColumns);
    const attributes = view.attributes.subarray(row * kColumns, (row + 1) * kColumns);
    let cursor = -1;
    if (row === view.cursorRow - 1) {
      const typed = Array.from(keyboard.line);
      const start = view.cursorColumn - 1;
      typed.forEach((glyph, i) => { if (start + i < kColumns) cells[start + i] = glyph; });
      cursor = Math.min(start + typed.length, kColumns - 1);
    }
    const parts = [];
    let from = 0;
    for (let column = 1; column <= kColumns; ++column) {
      const boundary = column === kColumns || attributes[column] !== attributes[column - 1] ||
                       column === cursor || column === cursor + 1;
      if (!boundary) continue;
      parts.push(span(cells.slice(from, column).join(''), attributes[from], from === cursor ? 'cursor' : ''));
      from = column;
    }
    rowElements[row].replaceChildren(...parts);
  }

  function renderScreen() {
    for (let row = 0; row < kRows; ++row) renderRow(row);
  }

  // The question the program waits on: its row up to the cursor.
  function questionText() {
    const start = (view.cursorRow - 1) * kColumns;
    return view.glyphs.slice(start, start + view.cursorColumn - 1).join('').trim();
  }

  // A question waits while the program reads and no answer is ready: only
  // then do the answer buttons act. The question shows beside them, in a
  // live region, and its console row scrolls into view above them.
  function showQuestion(waiting) {
    for (const button of answerButtons) button.disabled = !waiting;
    if (!waiting) return;
    questionElement.textContent = questionText() || 'The program waits for an answer.';
    questionElement.className = '';
    document.documentElement.style.setProperty('--keys-height', `${$('#keys').offsetHeight + 8}px`);
    rowElements[view.cursorRow - 1].scrollIntoView({ block: 'nearest' });
  }

  function showIdle(text) {
    showQuestion(false);
    questionElement.textContent = text;
    questionElement.className = 'idle';
  }

  // Typed answers, as a terminal's line discipline gives them: Enter ends a
  // line, Backspace edits it, Ctrl-D on an empty line is the end of input.
  const keyboard = {
    line: '',
    ready: [],  // Uint8Array chunks, an empty one for the end of input
    waiting: null,
    deliver(bytes) {
      this.ready.push(bytes);
      if (this.waiting) this.waiting();
    },
    async read(capacity) {
      if (this.ready.length === 0) showQuestion(true);
      while (this.ready.length === 0) await new Promise((resolve) => { this.waiting = resolve; });
      this.waiting = null;
      showQuestion(false);
      const chunk = this.ready[0];
      if (chunk.length <= capacity) return this.ready.shift();
      this.ready[0] = chunk.subarray(capacity);
      return chunk.subarray(0, capacity);
    },
    type(text) {
      this.line += text;
      renderRow(view.cursorRow - 1);
    },
    backspace() {
      this.line = Array.from(this.line).slice(0, -1).join('');
      renderRow(view.cursorRow - 1);
    },
    enter() {
      const text = this.line + '\n';
      this.line = '';
      this.deliver(new TextEncoder().encode(text));
    },
    endOfInput() {
      const text = this.line;
      this.line = '';
      this.deliver(new TextEncoder().encode(text));
    },
    clear() {
      this.line = '';
      this.ready = [];
    },
  };

  screenElement.addEventListener('keydown', (event) => {
    if (event.ctrlKey && (event.key === 'd' || event.key === 'D')) keyboard.endOfInput();
    else if (event.key === 'Enter') keyboard.enter();
    else if (event.key === 'Backspace') keyboard.backspace();
    else if (event.key.length === 1 && !event.ctrlKey && !event.metaKey && !event.altKey) keyboard.type(event.key);
    else return;
    event.preventDefault();
  });
  screenElement.addEventListener('click', () => screenElement.focus());
  const answer = (text) => () => {
    if (!keyboard.waiting) return;
    keyboard.line = '';
    keyboard.type(text);
    keyboard.enter();
  };
  $('#key-y').addEventListener('click', answer('y'));
  $('#key-n').addEventListener('click', answer('n'));
  $('#key-enter').addEventListener('click', answer(''));
  // As Ctrl-D on an empty line: the run ends at the question, nothing changed.
  $('#cancel').addEventListener('click', () => {
    if (!keyboard.waiting) return;
    keyboard.line = '';
    keyboard.endOfInput();
  });

  // Drive C of an instance: `files` ([{name, bytes}]) in the folder /c, which
  // becomes the current one.
  function fillDrive(module, files) {
    module.FS.mkdir('/c');
    for (const file of files) module.FS.writeFile('/c/' + file.name, file.bytes);
    module.FS.chdir('/c');
  }

  function readDrive(instance, name) {
    return instance.FS.readFile('/c/' + name);
  }

  // One instance of the program for one run, with `files` in drive C.
  // Resolves with the exit status, what it wrote to standard output and to
  // standard error, and the instance.
  async function runProgram(files, args, live) {
    const stdout = [], stderr = [];
    const host = {
      read: (capacity) => keyboard.read(capacity),
      write: (bytes) => { stdout.push(bytes.slice()); return 0; },
      interactive: () => true,
      screenSize: () => (live ? { columns: kColumns, rows: kRows } : null),
      draw(glyphs, attributes, columns, rows, cursorColumn, cursorRow) {
        view.glyphs = Array.from(glyphs);
        view.attributes = attributes.slice();
        view.cursorColumn = cursorColumn;
        view.cursorRow = cursorRow;
        renderScreen();
      },
      finish() {},
      lock: () => 1,  // the page allows one run at a time
      sync: () => 0,
    };
    const instance = await createTunewerk({
      host,
      thisProgram: 'tunewerk',
      instantiateWasm(imports, receive) {
        program.then((module) => WebAssembly.instantiate(module, imports)).then((instance) => receive(instance), (error) => {
          statusElement.textContent = 'tunewerk: this browser cannot run the program: ' + error.message;
          statusElement.className = 'error';
        });
        return {};
      },
      print: (line) => stdout.push(new TextEncoder().encode(line + '\n')),
      printErr: (line) => stderr.push(line),
      preRun: [(module) => fillDrive(module, files)],
    });
    const argv = instance._malloc(4 * (args.length + 2));
    ['tunewerk', ...args].forEach((arg, i) => { instance.HEAP32[(argv >> 2) + i] = instance.allocateUTF8(arg); });
    instance.HEAP32[(argv >> 2) + args.length + 1] = 0;
    let status;
    try {
      status = await instance.ccall('main', 'number', ['number', 'number'], [args.length + 1, argv], { async: true });
    } catch (error) {
      if (error && error.name === 'ExitStatus') {
        status = error.status;
      } else {
        stderr.push('tunewerk: the program stopped: ' + (error && error.message ? error.message : error));
        status = 1;
      }
    }
    return { status, stdout: new Blob(stdout), stderr, instance };
  }

  // The program and the example drive are inlined before this script, gzip
  // compressed (a third of the page's size) and in base64.
  const fromBase64 = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
  const unpack = async (text) => {
    const stream = new Blob([fromBase64(text)]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  };
  // The program, compiled once for all runs.
  const program = unpack(tunewerkWasmGzip).then((bytes) => WebAssembly.compile(bytes));

  // Drive C's files by lower-case name: picks add to it, a file of the same
  // name (in any letter case) replaces the earlier one.
  const drive = new Map();
  let running = false;

  const humanSize = (bytes) => bytes.toLocaleString('en') + ' bytes';
  const inDrive = (name) => drive.get(name.toLowerCase());
  const missingInputs = () => kInputs.filter((input) => !inDrive(input.name));

  function showInputs() {
    $('#inputs').replaceChildren(...kInputs.map((input) => {
      const file = inDrive(input.name);
      const item = document.createElement('li');
      item.dataset.name = input.name;
      item.dataset.present = file ? 'yes' : 'no';
      const state = document.createElement('span');
      state.className = 'state';
      state.textContent = file ? `present (${file.name}, ${humanSize(file.bytes.length)})` : 'missing';
      item.append(`${input.name}, ${input.what}: `, state);
      return item;
    }));
  }

  function clearResult() {
    for (const link of outputsElement.querySelectorAll('a')) URL.revokeObjectURL(link.href);
    outputsElement.replaceChildren();
    warningsElement.replaceChildren();
    $('#confirm-box').hidden = true;
    statusElement.textContent = '';
    statusElement.className = '';
    changes.clear();
    delete document.body.dataset.exitStatus;
  }

  function offerOutput(name, bytes) {
    const item = document.createElement('li');
    if (name === 'user.drc') item.className = 'for-receiver';
    const link = document.createElement('a');
    link.download = name;
    link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    link.textContent = name;
    item.append(link, ` (${humanSize(bytes.length)}): ${kPurpose[name]}`);
    if (name === 'user.drc') outputsElement.prepend(item);
    else outputsElement.append(item);
  }

  // After exit status 0: each warning on its own, the outputs with what each
  // is for. A run that selected no programme holds user.drc back until the
  // user confirms that the receiver would be left without channels.
  function showSuccess(instance, stderr) {
    const warnings = stderr.filter((line) => line.startsWith(kWarningPrefix));
    warningsElement.replaceChildren(...warnings.map((line) => {
      const item = document.createElement('li');
      item.textContent = line.slice(kWarningPrefix.length);
      return item;
    }));
    const empty = warnings.some((line) => line.startsWith(kWarningPrefix + kNoProgrammeWarning));
    const outputs = Object.fromEntries(kOutputs.map((name) => [name, readDrive(instance, name)]));
    for (const name of kOutputs) if (name !== 'user.drc' || !empty) offerOutput(name, outputs[name]);
    statusElement.className = empty ? '' : 'done';
    statusElement.textContent = empty
      ? 'The run selected no programme: do not load its user.drc into the receiver.'
      : 'Done: load user.drc into your receiver.';
    $('#confirm-box').hidden = !empty;
    $('#confirm-empty').onclick = () => {
      $('#confirm-box').hidden = true;
      offerOutput('user.drc', outputs['user.drc']);
      outputsElement.querySelector('a').focus();
    };
    return outputs;
  }

  function showFailure(status, stderr) {
    statusElement.textContent = stderr.join('\n') || `The run ended with status ${status}.`;
    statusElement.className = 'error';
  }

  function setBusy(busy) {
    running = busy;
    $('#pickers').disabled = busy;
    $('#run-again').disabled = busy || missingInputs().length > 0;
  }

  async function startRun() {
    if (running) return;
    if (missingInputs().length > 0) {
      statusElement.className = '';
      statusElement.textContent = 'To start, pick ' + missingInputs().map((input) => input.name).join(' and ') + '.';
      return;
    }
    setBusy(true);
    clearResult();
    $('#console').hidden = false;
    keyboard.clear();
    statusElement.textContent = 'Running: answer the questions above.';
    $('#step-answer').scrollIntoView({ block: 'start' });
    screenElement.focus({ preventScroll: true });
    const files = Array.from(drive.values());
    const result = await runProgram(files, $('#keep-order').checked ? ['--keep-order'] : [], true);
    if (result.status === 0) {
      const outputs = showSuccess(result.instance, result.stderr);
      await showChanges(inDrive('3ci.drc'), outputs['user.drc']);
    } else {
      showFailure(result.status, result.stderr);
    }
    showIdle(result.status === 0 ? 'No question: the run is done.' : 'No question: the run has ended.');
    document.body.dataset.exitStatus = String(result.status);
    setBusy(false);
    $('#step-load').scrollIntoView({ block: 'nearest' });
  }

  // Files of a folder count only at its top, as drive C's own files.
  async function takeFiles(fileList) {
    if (running) return;
    let taken = 0;
    for (const file of fileList) {
      const path = file.webkitRelativePath || file.name;
      if (path.split('/').length > 2) continue;
      drive.set(file.name.toLowerCase(), { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) });
      ++taken;
    }
    if (taken === 0) return;
    showInputs();
    startRun();
  }

  // The example drive, from tunewerkExample.
  async function takeExample() {
    if (running) return;
    drive.clear();
    for (const [name, text] of Object.entries(tunewerkExample)) {
      drive.set(name, { name, bytes: await unpack(text) });
    }
    showInputs();
    startRun();
  }

  for (const id of ['#drive-files', '#drive-folder']) {
    $(id).addEventListener('change', async (event) => {
      await takeFiles(event.target.files);
      event.target.value = '';  // the list under #inputs says what the drive holds
    });
  }
  $('#try-example').addEventListener('click', takeExample);
  $('#run-again').addEventListener('click', startRun);

  // A folder picker and a drop zone only where more than a finger points.
  const touchOnly = matchMedia('(pointer: coarse) and (hover: none)').matches;
  $('#folder-picker').hidden = touchOnly || !('webkitdirectory' in $('#drive-folder'));
  $('#drop-hint').hidden = touchOnly;

  // Dropped files, or the top of a dropped folder.
  const dropZone = document.body;
  dropZone.addEventListener('dragover', (event) => { event.preventDefault(); dropZone.classList.add('over'); });
  dropZone.addEventListener('dragleave', () => dropZone.classList.remove('over'));
  dropZone.addEventListener('drop', async (event) => {
    event.preventDefault();
    dropZone.classList.remove('over');
    const entries = Array.from(event.dataTransfer.items || [], (item) => item.webkitGetAsEntry && item.webkitGetAsEntry());
    const folder = entries.find((entry) => entry && entry.isDirectory);
    if (!folder) return takeFiles(event.dataTransfer.files);
    const children = await new Promise((resolve, reject) => folder.createReader().readEntries(resolve, reject));
    const files = await Promise.all(children.filter((entry) => entry.isFile)
      .map((entry) => new Promise((resolve, reject) => entry.file(resolve, reject))));
    takeFiles(files);
  });

  // What a new receiver file changes, from the program's --compare: its first
  // line is the summary, then headings, then one line per programme new (+),
  // gone (-) or renumbered (~) with its old and new number (- for none) and
  // the rest for people: kind (5 columns), the name as the receiver shows it
  // (20: 15 of name, a blank or *, the orbital position), satellite number,
  // frequency, polarisation, service id and "scrambled" where it is.
  const kChangeLine = /^([+~-]) +(\d+|-) +(\d+|-) (.*)$/;
  const kHeaderSize = 27012;  // the receiver's settings: a file this long holds no tables

  function parseCompare(text) {
    const lines = text.split('\n');
    const programmes = [];
    for (const line of lines.slice(1)) {
      const match = kChangeLine.exec(line);
      if (!match) continue;
      const [, mark, oldNumber, newNumber, rest] = match;
      const shown = rest.slice(6, 26);
      programmes.push({
        mark, oldNumber, newNumber,
        kind: rest.slice(0, 5).trim(),
        name: shown.slice(0, 15).trimEnd(),
        position: shown.slice(16, 19).trim(),
        scrambled: rest.slice(26).trim().split(/ +/)[4] === 'scrambled',
      });
    }
    return { summary: lines[0], newFile: (lines.find((line) => line.startsWith('New: ')) || '').slice(5), programmes };
  }

  // Orbital positions by the names the settings give them ("192" to "19.2 East").
  function satelliteNames(settings) {
    const lines = settings ? new TextDecoder('latin1').decode(settings.bytes).split(/\r?\n/) : [];
    const names = new Map();
    for (let i = 0; i + 1 < lines.length; ++i) {
      if (/^\d+$/.test(lines[i]) && /^\d+(\.\d+)? (East|West)$/.test(lines[i + 1])) names.set(lines[i], lines[i + 1]);
    }
    return names;
  }

  // Every programme of a receiver file, TV then radio, each numbered as the
  // receiver numbers it: the file compared against its own settings alone.
  async function programmesOf(name, bytes) {
    const files = [{ name: 'no-tables.drc', bytes: bytes.subarray(0, kHeaderSize) }, { name, bytes }];
    const result = await runProgram(files, ['--compare', 'no-tables.drc', name], false);
    if (result.status !== 0) return { error: result.stderr.join('\n') };
    return parseCompare(await result.stdout.text());
  }

  function cells(tag, texts, classes = []) {
    const row = document.createElement('tr');
    texts.forEach((text, i) => {
      const cell = document.createElement(tag);
      if (tag === 'th') cell.scope = 'col';
      if (classes[i]) cell.className = classes[i];
      cell.textContent = text;
      row.append(cell);
    });
    return row;
  }

  // `changeOf(programme)` gives a row's change (new, kept or renumbered, and
  // the old number) where the table shows changes.
  function fillTable(table, caption, programmes, names, changeOf) {
    const headings = ['No.', 'Name', 'Satellite', 'TV or radio', 'Scrambled'];
    const head = document.createElement('thead');
    head.append(cells('th', changeOf ? [...headings, 'Change'] : headings));
    const body = document.createElement('tbody');
    for (const programme of programmes) {
      const texts = [programme.newNumber, programme.name, names.get(programme.position) || programme.position,
                     programme.kind, programme.scrambled ? 'yes' : 'no'];
      if (!changeOf) {
        body.append(cells('td', texts, ['number']));
        continue;
      }
      const change = changeOf(programme);
      const row = cells('td', [...texts, change.text], ['number']);
      row.dataset.change = change.kind;
      body.append(row);
    }
    const captionElement = document.createElement('caption');
    captionElement.textContent = caption;
    table.replaceChildren(captionElement, head, body);
  }

  // After a run: the new list as a table, each programme marked new, kept or
  // renumbered against the old receiver file, the summary above it and the
  // programmes gone below it.
  async function showChanges(oldFile, userDrc) {
    const all = await programmesOf('user.drc', userDrc);
    const result = await runProgram([oldFile, { name: 'user.drc', bytes: userDrc }],
                                    ['--compare', oldFile.name, 'user.drc'], false);
    if (all.error || result.status !== 0) return;
    const compared = parseCompare(await result.stdout.text());
    const changed = new Map(compared.programmes.filter((p) => p.mark !== '-')
      .map((p) => [`${p.kind} ${p.newNumber}`, p]));
    const names = satelliteNames(inDrive('vaz3er.ini'));
    fillTable($('#programmes'), `The new user.drc: ${all.newFile.replace(/^user\.drc, /, '')}`, all.programmes, names,
              (programme) => {
                const change = changed.get(`${programme.kind} ${programme.newNumber}`);
                if (!change) return { kind: 'kept', text: 'kept' };
                if (change.mark === '+') return { kind: 'new', text: 'new' };
                return { kind: 'renumbered', text: `renumbered (was ${change.oldNumber})` };
              });
    $('#compare-summary').textContent = compared.summary;
    $('#gone').replaceChildren(...compared.programmes.filter((p) => p.mark === '-').map((p) => {
      const item = document.createElement('li');
      item.textContent = `${p.name} (${p.kind} ${p.oldNumber}, ${names.get(p.position) || p.position})`;
      return item;
    }));
    $('#none-gone').hidden = $('#gone').children.length > 0;
    $('#filter').value = '';
    $('#result').hidden = false;
  }

  const changes = {
    clear() {
      $('#result').hidden = true;
      $('#programmes').replaceChildren();
      $('#gone').replaceChildren();
      $('#compare-summary').textContent = '';
    },
  };

  $('#filter').addEventListener('input', () => {
    const wanted = $('#filter').value.trim().toLowerCase();
    for (const row of $('#programmes').querySelectorAll('tbody tr')) {
      row.hidden = wanted !== '' && !row.textContent.toLowerCase().includes(wanted);
    }
  });

  // A receiver file's programmes as a table, and as --list prints them.
  let listing = false;
  $('#receiver-file').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    if (!file || listing) return;
    listing = true;
    const bytes = new Uint8Array(await file.arrayBuffer());
    const result = await runProgram([{ name: file.name, bytes }], ['--list', file.name], false);
    $('#listing').textContent = result.status === 0 ? await result.stdout.text() : result.stderr.join('\n');
    const programmes = result.status === 0 ? await programmesOf(file.name, bytes) : { error: '' };
    $('#receiver-view').hidden = Boolean(programmes.error);
    if (!programmes.error) {
      fillTable($('#receiver-programmes'), programmes.newFile, programmes.programmes, satelliteNames(inDrive('vaz3er.ini')));
    }
    $('#listing-box').open = result.status !== 0;
    listing = false;
  });

  showInputs();
  renderScreen();
  document.body.dataset.ready = 'yes';
})();
