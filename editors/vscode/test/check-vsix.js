// Checks one packaged extension: check-vsix.js VSIX SERVER-NAME.
// The package must hold exactly one server, server/SERVER-NAME (executable
// unless it is a Windows .exe), and its client must load from the package's
// own files (the runtime npm packages were bundled), with a stand-in for the
// editor API. Exits non-zero with a message otherwise.
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const Module = require('module');
const yauzl = require('yauzl');

const [vsix, serverName] = process.argv.slice(2);

function fail(message) {
  console.error(`${path.basename(vsix)}: ${message}`);
  process.exit(1);
}

function extract(file, into) {
  return new Promise((resolve, reject) => {
    yauzl.open(file, { lazyEntries: true }, (error, zip) => {
      if (error) return reject(error);
      const servers = [];
      zip.on('entry', (entry) => {
        const target = path.join(into, entry.fileName);
        if (entry.fileName.startsWith('extension/server/')) {
          servers.push({ name: entry.fileName.slice('extension/server/'.length), mode: entry.externalFileAttributes >>> 16 });
        }
        if (entry.fileName.endsWith('/')) return zip.readEntry();
        fs.mkdirSync(path.dirname(target), { recursive: true });
        zip.openReadStream(entry, (streamError, stream) => {
          if (streamError) return reject(streamError);
          stream.pipe(fs.createWriteStream(target)).on('finish', () => zip.readEntry());
        });
      });
      zip.on('end', () => resolve(servers));
      zip.readEntry();
    });
  });
}

// Any property of the stand-in is the stand-in again, callable and constructible.
const editor = new Proxy(function () {}, {
  get: (target, key) => (key === 'prototype' ? {} : editor),
  apply: () => editor,
  construct: () => editor,
});

(async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'orvel-vsix-'));
  try {
    const servers = await extract(vsix, dir);
    if (servers.length !== 1 || servers[0].name !== serverName) {
      fail(`expected the one server server/${serverName}, found [${servers.map((s) => s.name).join(', ')}]`);
    }
    if (!serverName.endsWith('.exe') && (servers[0].mode & 0o111) === 0) {
      fail(`server/${serverName} is not executable in the package`);
    }
    const load = Module._load;
    Module._load = function (request, ...rest) {
      return request === 'vscode' ? editor : load.call(this, request, ...rest);
    };
    const client = require(path.join(dir, 'extension', 'client', 'extension.js'));
    if (typeof client.activate !== 'function') fail('the client has no activate()');
    console.log(`${path.basename(vsix)}: server/${serverName}, client loads`);
  } catch (error) {
    fail(error.message);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
})();
