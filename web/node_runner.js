// The node runner: the program under node with the real current folder (or
// -C DIR) as drive C, the command line, standard streams and exit status of
// the native program. The host's folders are mounted at their own paths, so
// every name means what it means to the native program.
(function () {
  const fs = require('fs');
  const tty = require('tty');

  // Attributes are console colours (blue, green, red bits); VT numbers them
  // red, green, blue.
  const vtColour = (c) => ((c & 1) << 2) | (c & 2) | ((c & 4) >> 2);
  const vtAttribute = (a) => {
    const fg = a & 15, bg = (a >> 4) & 15;
    return `\x1b[0;${(fg & 8 ? 90 : 30) + vtColour(fg)};${(bg & 8 ? 100 : 40) + vtColour(bg)}m`;
  };
  const kEnter = '\x1b[?7l\x1b[0;37;40m\x1b[2J';
  const kRestore = '\x1b[0m\x1b[?7h\x1b[?25h';
  let screenEntered = false;

  function writeAll(fd, bytes) {
    let done = 0;
    while (done < bytes.length) {
      try {
        done += fs.writeSync(fd, bytes, done, bytes.length - done);
      } catch (e) {
        if (e.code === 'EAGAIN') continue;
        return e.code === 'EPIPE' ? 1 : 2;
      }
    }
    return 0;
  }
  const writeText = (fd, text) => writeAll(fd, Buffer.from(text, 'utf8'));

  // Standard input, taken as it comes; a read waits for the next chunk.
  const input = { chunks: [], ended: false, failed: false, wake: null, started: false };
  function startInput() {
    input.started = true;
    const notify = () => input.wake && input.wake();
    process.stdin.on('data', (chunk) => { input.chunks.push(chunk); notify(); });
    process.stdin.on('end', () => { input.ended = true; notify(); });
    process.stdin.on('error', () => { input.failed = true; notify(); });
  }
  async function read(capacity) {
    if (!input.started) startInput();
    while (input.chunks.length === 0 && !input.ended && !input.failed) {
      await new Promise((resolve) => { input.wake = resolve; });
    }
    if (input.chunks.length === 0) return input.failed ? null : new Uint8Array(0);
    const chunk = input.chunks[0];
    if (chunk.length <= capacity) return input.chunks.shift();
    input.chunks[0] = chunk.subarray(capacity);
    return chunk.subarray(0, capacity);
  }

  function draw(glyphs, attributes, columns, rows, cursorColumn, cursorRow) {
    const cells = Array.from(glyphs);
    let out = (screenEntered ? '' : kEnter) + '\x1b[?25l';
    screenEntered = true;
    let current = -1;
    for (let row = 0; row < rows; ++row) {
      out += `\x1b[${row + 1};1H`;
      for (let column = 0; column < columns; ++column) {
        const cell = row * columns + column;
        if (attributes[cell] !== current) out += vtAttribute((current = attributes[cell]));
        out += cells[cell];
      }
    }
    writeText(1, out + `\x1b[${cursorRow};${Math.min(cursorColumn, columns)}H\x1b[?25h`);
  }
  function restoreScreen() {
    if (screenEntered) writeText(1, kRestore);
    screenEntered = false;
  }

  function sync(path) {
    try {
      const fd = fs.openSync(path, 'r');
      try {
        fs.fsyncSync(fd);
      } finally {
        fs.closeSync(fd);
      }
      return 0;
    } catch (e) {
      return e.code === 'EINVAL' ? 0 : 1;
    }
  }

  function mountHostFolders(module) {
    const FS = module.FS;
    for (const name of fs.readdirSync('/')) {
      if (name === 'dev' || name === 'proc' || name === 'sys') continue;
      let isFolder = false;
      try {
        isFolder = fs.statSync('/' + name).isDirectory();
      } catch (e) {}
      if (!isFolder) continue;
      try {
        FS.mkdir('/' + name);
      } catch (e) {}
      FS.mount(FS.filesystems.NODEFS, { root: '/' + name }, '/' + name);
    }
    FS.chdir(process.cwd());
  }

  let module = null;
  const host = {
    read,
    write: (bytes) => writeAll(1, bytes),
    interactive: () => tty.isatty(0),
    screenSize: () =>
      tty.isatty(1) ? { columns: process.stdout.columns || 80, rows: process.stdout.rows || 25 } : null,
    draw,
    finish: restoreScreen,
    sync: (path) => sync(path.startsWith('/') ? path : module.FS.cwd() + '/' + path),
  };

  function end(status) {
    process.exit(status);
  }
  // A stop signal while the run waits for input: its temporaries go, then
  // the signal ends the process as it would the native program.
  for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP']) {
    process.on(signal, () => {
      if (module && !module._tunewerk_stop()) return;
      restoreScreen();
      process.removeAllListeners(signal);
      process.kill(process.pid, signal);
    });
  }

  createTunewerk({
    host,
    thisProgram: 'tunewerk',
    printErr: (line) => writeText(2, line + '\n'),
    preRun: [mountHostFolders],
  }).then((instance) => {
    module = instance;
    const args = process.argv.slice(2);
    const argv = module._malloc(4 * (args.length + 2));
    ['tunewerk', ...args].forEach((arg, i) => {
      module.HEAP32[(argv >> 2) + i] = module.allocateUTF8(arg);
    });
    module.HEAP32[(argv >> 2) + args.length + 1] = 0;
    return module.ccall('main', 'number', ['number', 'number'], [args.length + 1, argv], { async: true });
  }).then(end, (error) => {
    restoreScreen();
    if (error && error.name === 'ExitStatus') end(error.status);
    writeText(2, `tunewerk: the program stopped: ${error && error.message ? error.message : error}\n`);
    end(1);
  });
})();
