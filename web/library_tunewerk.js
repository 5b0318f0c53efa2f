// The program's calls to its host: Module.host, given by the page or the node
// runner when it makes an instance (see web/page.js and web/node_runner.js).
mergeInto(LibraryManager.library, {
  tunewerk_host_read: function (buffer, capacity) {
    return Asyncify.handleAsync(async () => {
      const bytes = await Module.host.read(capacity);
      if (bytes === null) return -1;
      HEAPU8.set(bytes, buffer);
      return bytes.length;
    });
  },
  tunewerk_host_write: function (data, size) {
    return Module.host.write(HEAPU8.slice(data, data + size));
  },
  tunewerk_host_interactive: function () {
    return Module.host.interactive() ? 1 : 0;
  },
  tunewerk_host_screen: function (columns, rows) {
    const size = Module.host.screenSize();
    if (!size) return 0;
    HEAP32[columns >> 2] = size.columns;
    HEAP32[rows >> 2] = size.rows;
    return 1;
  },
  tunewerk_host_draw: function (glyphs, attributes, columns, rows, cursorColumn, cursorRow) {
    Module.host.draw(UTF8ToString(glyphs), HEAPU8.subarray(attributes, attributes + columns * rows),
                     columns, rows, cursorColumn, cursorRow);
  },
  tunewerk_host_finish: function () {
    Module.host.finish();
  },
});
