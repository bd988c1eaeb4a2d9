// Where the language server is and whether it can run. Kept apart from the
// editor API so that it is tested under plain Node: every answer is either
// { command } (a file that exists, made executable where needed) or
// { error } (one sentence that tells the user what to do).
'use strict';

const fs = require('fs');
const path = require('path');

function serverFileName(platform) {
  return platform === 'win32' ? 'orvelc-lsp.exe' : 'orvelc-lsp';
}

// setting: the value of orvelc.serverPath ('' for the bundled server).
// base: the folder a relative setting is taken from (the first workspace
// folder), or undefined when no folder is open.
function findServer({ setting, extensionPath, base, platform }) {
  const configured = (setting || '').trim();
  if (configured) {
    if (!path.isAbsolute(configured) && !base) {
      return { error: `orvelc.serverPath "${configured}" is relative, but no folder is open; give an absolute path.` };
    }
    const command = path.resolve(base || '', configured);
    if (!isFile(command)) {
      return { error: `orvelc.serverPath points to ${command}, but there is no file there.` };
    }
    return { command };
  }
  const command = path.join(extensionPath, 'server', serverFileName(platform));
  if (!isFile(command)) {
    return { error: `This Orvel C extension carries no language server for ${platform} (looked for ${command}). Install the package built for your platform, or set orvelc.serverPath to an orvelc-lsp you built.` };
  }
  if (platform !== 'win32') {
    ensureExecutable(command);
  }
  return { command };
}

function isFile(file) {
  try {
    return fs.statSync(file).isFile();
  } catch {
    return false;
  }
}

// A package may lose the execute bit on the way; put it back when we can
// (a read-only install then fails at start, with its own message).
function ensureExecutable(file) {
  try {
    const mode = fs.statSync(file).mode;
    if ((mode & 0o111) === 0) {
      fs.chmodSync(file, mode | 0o755);
    }
  } catch {
    // Reported when the start fails.
  }
}

module.exports = { findServer, serverFileName };
