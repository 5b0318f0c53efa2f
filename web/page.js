// The page: drive C from the files the user picks, the program's console in
// #screen, the outputs offered for download after a run that ended with exit
// status 0, and a receiver file's listing. Each run is a fresh instance of
// the program; nothing is sent anywhere.
(function () {
  const kColumns = 80, kRows = 25;
  const kOutputs = ['user.drc', 'tunewerk.txt', 'audio.txt', 'video.txt'];
  const $ = (selector) => document.querySelector(selector);
  const screenElement = $('#screen'), statusElement = $('#status'), outputsElement = $('#outputs');

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
      while (this.ready.length === 0) await new Promise((resolve) => { this.waiting = resolve; });
      this.waiting = null;
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
    keyboard.type(text);
    keyboard.enter();
    screenElement.focus();
  };
  $('#key-y').addEventListener('click', answer('y'));
  $('#key-n').addEventListener('click', answer('n'));
  $('#key-enter').addEventListener('click', answer(''));

  // One instance of the program for one run, with `files` ([{name, bytes}])
  // in drive C. Resolves with the exit status, what it wrote to standard
  // output and to standard error, and the instance.
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
      preRun: [(module) => {
        module.FS.mkdir('/c');
        for (const file of files) module.FS.writeFile('/c/' + file.name, file.bytes);
        module.FS.chdir('/c');
      }],
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
    return { status, stdout: new Blob(stdout), stderr: stderr.join('\n'), instance };
  }

  // The program, compiled once for all runs (tunewerkWasmBase64 is inlined
  // before this script).
  const program = WebAssembly.compile(Uint8Array.from(atob(tunewerkWasmBase64), (c) => c.charCodeAt(0)));

  let driveFiles = [];
  let running = false;

  function humanSize(bytes) {
    return bytes.toLocaleString('en') + ' bytes';
  }

  function offerOutputs(instance) {
    for (const name of kOutputs) {
      const bytes = instance.FS.readFile('/c/' + name);
      const link = document.createElement('a');
      link.download = name;
      link.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
      link.textContent = `${name} (${humanSize(bytes.length)})`;
      outputsElement.appendChild(link);
    }
  }

  async function startRun() {
    if (running || driveFiles.length === 0) return;
    running = true;
    $('#run-again').disabled = true;
    for (const link of outputsElement.querySelectorAll('a')) URL.revokeObjectURL(link.href);
    outputsElement.replaceChildren();
    statusElement.textContent = '';
    statusElement.className = '';
    delete document.body.dataset.exitStatus;
    keyboard.clear();
    screenElement.focus();
    const result = await runProgram(driveFiles, [], true);
    if (result.status === 0) offerOutputs(result.instance);
    statusElement.textContent = result.stderr || (result.status === 0 ? '' : `The run ended with status ${result.status}.`);
    statusElement.className = result.status === 0 ? '' : 'error';
    document.body.dataset.exitStatus = String(result.status);
    running = false;
    $('#run-again').disabled = false;
  }

  // Files of a folder count only at its top, as drive C's own files.
  async function takeFiles(fileList) {
    const files = [];
    for (const file of fileList) {
      const path = file.webkitRelativePath || file.name;
      if (path.split('/').length > 2) continue;
      files.push({ name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) });
    }
    if (files.length === 0) return;
    if (running) {
      statusElement.textContent = 'A run is waiting for its answers: finish it, or press Ctrl-D in the console, first.';
      return;
    }
    driveFiles = files;
    startRun();
  }

  $('#drive-files').addEventListener('change', (event) => takeFiles(event.target.files));
  $('#drive-folder').addEventListener('change', (event) => takeFiles(event.target.files));
  $('#run-again').addEventListener('click', startRun);

  // Dropped files, or the top of a dropped folder.
  const drop = document.body;
  drop.addEventListener('dragover', (event) => { event.preventDefault(); $('#drop').classList.add('over'); });
  drop.addEventListener('dragleave', () => $('#drop').classList.remove('over'));
  drop.addEventListener('drop', async (event) => {
    event.preventDefault();
    $('#drop').classList.remove('over');
    const entries = Array.from(event.dataTransfer.items || [], (item) => item.webkitGetAsEntry && item.webkitGetAsEntry());
    const folder = entries.find((entry) => entry && entry.isDirectory);
    if (!folder) return takeFiles(event.dataTransfer.files);
    const children = await new Promise((resolve, reject) => folder.createReader().readEntries(resolve, reject));
    const files = await Promise.all(children.filter((entry) => entry.isFile)
      .map((entry) => new Promise((resolve, reject) => entry.file(resolve, reject))));
    takeFiles(files);
  });

  $('#receiver-file').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    if (!file || running) return;
    running = true;
    const bytes = new Uint8Array(await file.arrayBuffer());
    const result = await runProgram([{ name: file.name, bytes }], ['--list', file.name], false);
    $('#listing').textContent = result.status === 0 ? await result.stdout.text() : result.stderr;
    running = false;
  });

  renderScreen();
  document.body.dataset.ready = 'yes';
})();
