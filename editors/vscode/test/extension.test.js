// Tests of what the extension decides without an editor: where the server
// is found, what the client tells the user and when it restarts (against
// stand-ins for the editor API), the indentation rules, and that every
// snippet with its placeholders at their defaults, and every grammar fixture
// marked as a script, is accepted by the real compiler (ORVELC names it;
// make sets it).
'use strict';

const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const { findServer } = require('../client/server');

const scratchDirs = [];
function scratch() {
  scratchDirs.push(fs.mkdtempSync(path.join(os.tmpdir(), 'orvel-vscode-')));
  return scratchDirs.at(-1);
}
test.after(() => scratchDirs.forEach((dir) => fs.rmSync(dir, { recursive: true, force: true })));

test('the server: bundled per platform, or the configured path', () => {
  const ext = scratch();
  fs.mkdirSync(path.join(ext, 'server'));
  const linux = path.join(ext, 'server', 'orvelc-lsp');
  fs.writeFileSync(linux, '');
  fs.chmodSync(linux, 0o644);

  assert.deepStrictEqual(findServer({ setting: '', extensionPath: ext, platform: 'linux' }), { command: linux });
  assert.ok(fs.statSync(linux).mode & 0o100, 'the bundled server is made executable');

  // A Linux package has no Windows server: say so instead of starting nothing.
  const win = findServer({ setting: '', extensionPath: ext, platform: 'win32' });
  assert.match(win.error, /no language server for win32/);
  assert.ok(win.error.includes(path.join(ext, 'server', 'orvelc-lsp.exe')));

  // The setting wins over the bundled server; a relative one is taken from the folder.
  const own = path.join(ext, 'my-lsp');
  fs.writeFileSync(own, '');
  assert.deepStrictEqual(findServer({ setting: ` ${own} `, extensionPath: ext, platform: 'linux' }), { command: own });
  assert.deepStrictEqual(findServer({ setting: 'my-lsp', base: ext, extensionPath: '/nowhere', platform: 'linux' }), { command: own });
  assert.match(findServer({ setting: 'my-lsp', extensionPath: ext, platform: 'linux' }).error, /no folder is open/);
  assert.match(findServer({ setting: path.join(ext, 'server'), extensionPath: ext, platform: 'linux' }).error,
    /orvelc.serverPath points to .*server, but there is no file there/);
});

// Fills a snippet's placeholders with their defaults: ${1:x} and $1 give x,
// ${1|a,b|} gives a, $0 gives nothing.
function expandSnippet(lines) {
  let text = lines.join('\n');
  const values = { 0: '' };
  for (const [, n, value, choices] of text.matchAll(/\$\{(\d+)(?::([^{}]*)|\|([^|]*)\|)\}/g)) {
    values[n] ??= value ?? choices.split(',')[0];
  }
  for (let previous = ''; previous !== text;) {
    previous = text;
    text = text.replace(/\$\{(\d+)(?::[^{}]*|\|[^|]*\|)\}|\$(\d+)/g, (_, a, b) => values[a ?? b] ?? '');
  }
  return text;
}

function compile(t, dir, file) {
  if (!process.env.ORVELC) {
    t.skip('ORVELC is not set');
    return;
  }
  try {
    execFileSync(process.env.ORVELC, ['-w-', file, path.join(scratch(), 'out.obj')], { cwd: dir, encoding: 'utf8' });
  } catch (error) {
    assert.fail(`${file} does not compile:\n${error.stdout}`);
  }
}

test('snippet expansion', () => {
  assert.strictEqual(expandSnippet(['${1|a,b|} ${2:x} $2 ${3:$1}$0']), 'a x x a');
});

test('every snippet compiles with its defaults', async (t) => {
  const snippets = JSON.parse(fs.readFileSync(path.join(__dirname, '..', 'snippets', 'orvel.json'), 'utf8'));
  for (const [name, snippet] of Object.entries(snippets)) {
    await t.test(name, (t) => {
      const body = expandSnippet(snippet.body);
      const script = name === 'unit' ? body : `unit "Snippet"\n{\n${body}\n}\n`;
      const dir = scratch();
      fs.writeFileSync(path.join(dir, 'snippet.oc'), script);
      compile(t, dir, 'snippet.oc');
    });
  }
});

test('the grammar fixtures that are scripts compile', async (t) => {
  const dir = path.join(__dirname, 'grammar');
  for (const file of ['class.oc', 'routines.oc', 'statements.oc']) {
    await t.test(file, (t) => compile(t, dir, file));
  }
});

test('indentation: after an open brace or parenthesis and a bare if, back at a closing one', () => {
  const rules = JSON.parse(fs.readFileSync(path.join(__dirname, '..', 'language-configuration.json'), 'utf8')).indentationRules;
  const matching = (pattern, lines) => lines.filter((line) => new RegExp(pattern).test(line));
  const increase = ['state Idle {', '{', '    {  // body', 'Move(a,', 'x = 1;', 'Trace("{");', '// {', '}'];
  assert.deepStrictEqual(matching(rules.increaseIndentPattern, increase), ['state Idle {', '{', '    {  // body', 'Move(a,']);
  const next = ['if (a < b)', '    else', 'while (x) // wait', 'for (;;)', 'do', 'if (a) b();', 'done'];
  assert.deepStrictEqual(matching(rules.indentNextLinePattern, next), ['if (a < b)', '    else', 'while (x) // wait', 'for (;;)', 'do']);
  assert.deepStrictEqual(matching(rules.decreaseIndentPattern, ['}', '    });', 'x = }', '{']), ['}', '    });']);
});

// extension.js against stand-ins for the editor and the client library:
// what the user is told, and when a server is started or stopped.
function loadExtension({ setting, startError }) {
  const Module = require('module');
  const events = { messages: [], started: [], stopped: 0, onConfig: undefined };
  const vscode = {
    workspace: {
      workspaceFolders: undefined,
      getConfiguration: (section) => ({ get: (key, fallback) => (section === 'orvelc' && key === 'serverPath' ? setting() : fallback) }),
      onDidChangeConfiguration: (listener) => { events.onConfig = listener; return { dispose() {} }; },
    },
    window: { showErrorMessage: (text) => events.messages.push(text) },
  };
  class LanguageClient {
    constructor(id, name, server, options) { Object.assign(this, { id, server, options }); }
    async start() { if (startError) throw new Error(startError); events.started.push(this); }
    async stop() { events.stopped += 1; }
  }
  const stand = { vscode, 'vscode-languageclient/node': { LanguageClient, TransportKind: { stdio: 0 } } };
  const load = Module._load;
  Module._load = function (request, ...rest) { return stand[request] ?? load.call(this, request, ...rest); };
  try {
    const file = require.resolve('../client/extension');
    delete require.cache[file];
    return { extension: require(file), events };
  } finally {
    Module._load = load;
  }
}

test('the client: one clear message when the server is missing or fails, a restart when the setting changes', async () => {
  const ext = scratch();
  const context = { extensionPath: ext, subscriptions: [] };

  const missing = loadExtension({ setting: () => '' });
  await missing.extension.activate(context);
  assert.strictEqual(missing.events.started.length, 0);
  assert.strictEqual(missing.events.messages.length, 1);
  assert.match(missing.events.messages[0], /^Orvel C: This Orvel C extension carries no language server/);

  const own = path.join(ext, 'orvelc-lsp');
  fs.writeFileSync(own, '');
  const failing = loadExtension({ setting: () => own, startError: 'spawn EACCES' });
  await failing.extension.activate(context);
  assert.match(failing.events.messages[0], /could not be started \(spawn EACCES\)/);
  assert.ok(failing.events.messages[0].includes(own));

  let setting = own;
  const running = loadExtension({ setting: () => setting });
  await running.extension.activate(context);
  const [client] = running.events.started;
  assert.deepStrictEqual(client.server.run, { command: own, transport: 0 });
  assert.deepStrictEqual(client.options.documentSelector, [{ language: 'orvel' }]);
  await running.events.onConfig({ affectsConfiguration: (key) => key === 'editor.fontSize' });
  assert.strictEqual(running.events.stopped, 0);
  setting = path.join(ext, 'gone');
  await running.events.onConfig({ affectsConfiguration: (key) => key === 'orvelc.serverPath' });
  assert.strictEqual(running.events.stopped, 1);
  assert.match(running.events.messages[0], /there is no file there/);
  await running.extension.deactivate();
  assert.strictEqual(running.events.stopped, 1, 'nothing left to stop');
});

// vsce refuses to package a README whose relative links leave the extension
// (it cannot rewrite them without a repository URL), so catch that here,
// where make check runs, rather than only in make vscode.
test('the README links nothing outside the extension', () => {
  const readme = fs.readFileSync(path.join(__dirname, '..', 'README.md'), 'utf8');
  const outside = [...readme.matchAll(/\]\((\.\.\/[^)]*)\)/g)].map((m) => m[1]);
  assert.deepStrictEqual(outside, []);
});
