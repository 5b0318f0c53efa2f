// The node runner's file calls: the runtime's NODERAWFS hands each POSIX call
// to node's own, but not all of them, and the drive needs these to act as they
// do natively. Each failure comes back as the system's error number.
mergeInto(LibraryManager.library, {
  $nodeFiles__deps: ['$NODEFS', '$NODERAWFS', '$SYSCALLS', '$ERRNO_CODES'],
  $nodeFiles__postset: 'nodeFiles.init();',
  $nodeFiles: {
    init: function () {
      // A FIFO opened to read does not wait for a writer.
      var flagsForNode = NODEFS.flagsForNode;
      NODEFS.flagsForNode = function (flags) {
        return flagsForNode(flags) | (flags & {{{ cDefine('O_NONBLOCK') }}} ? fs.constants.O_NONBLOCK : 0);
      };
      // A name too long is the system's error, not a cut name that may be
      // another file's.
      var open = FS.open;
      FS.open = function (path, flags, mode, fd) {
        if (typeof path == 'string' && path.split('/').some(function (part) { return Buffer.byteLength(part) > 255; })) {
          throw new FS.ErrnoError({{{ cDefine('ENAMETOOLONG') }}});
        }
        return open(path, flags, mode, fd);
      };
      // A relative name is the system's to resolve: "link/.." is where the
      // link leads, not the current folder.
      var calculateAt = SYSCALLS.calculateAt;
      SYSCALLS.calculateAt = function (dirfd, path, allowEmpty) {
        if (dirfd === {{{ cDefine('AT_FDCWD') }}} && path.length > 0 && path[0] !== '/') return path;
        return calculateAt(dirfd, path, allowEmpty);
      };
    },
    errorNumber: function (e) {
      if (e instanceof FS.ErrnoError) return e.errno;
      if (e && e.code && ERRNO_CODES[e.code]) return ERRNO_CODES[e.code];
      if (e && e.code) return {{{ cDefine('EIO') }}};
      throw e;
    },
    // The node descriptor behind a file the program opened, or none for the
    // runtime's own streams.
    nodeDescriptor: function (fd) {
      var stream = SYSCALLS.getStreamFromFD(fd);
      return stream.nfd !== undefined && !stream.stream_ops ? stream.nfd : undefined;
    },
  },

  // The file opened, not whatever its name means now.
  __syscall_fstat64__deps: ['$nodeFiles'],
  __syscall_fstat64: function (fd, buf) {
    try {
      var stream = SYSCALLS.getStreamFromFD(fd);
      var nfd = nodeFiles.nodeDescriptor(fd);
      if (nfd === undefined) return SYSCALLS.doStat(FS.stat, stream.path, buf);
      return SYSCALLS.doStat(function () { return fs.fstatSync(nfd); }, stream.path, buf);
    } catch (e) {
      return -nodeFiles.errorNumber(e);
    }
  },

  // Hard links (the runtime answers EMLINK to every one).
  __syscall_linkat__deps: ['$nodeFiles'],
  __syscall_linkat: function (olddirfd, oldpath, newdirfd, newpath, flags) {
    try {
      var from = SYSCALLS.calculateAt(olddirfd, UTF8ToString(oldpath));
      var to = SYSCALLS.calculateAt(newdirfd, UTF8ToString(newpath));
      if (flags !== 0) return -{{{ cDefine('EINVAL') }}};
      fs.linkSync(from, to);
      return 0;
    } catch (e) {
      return -nodeFiles.errorNumber(e);
    }
  },

  // fsync reaches the disk (the runtime's asks a mount that these files do
  // not have).
  fd_sync__deps: ['$nodeFiles'],
  fd_sync: function (fd) {
    try {
      var nfd = nodeFiles.nodeDescriptor(fd);
      if (nfd !== undefined) fs.fsyncSync(nfd);
      return 0;
    } catch (e) {
      return nodeFiles.errorNumber(e);
    }
  },
});
