// orvelc-lsp as an editor runs it: a child process spoken to over standard
// input and output, through vscode-jsonrpc (the library under VS Code's own
// client). One conversation covers every feature of the server (diagnostics,
// hover, symbols, tokens, folding, completion, signature help, definition,
// references, rename and its refusal for a built-in), then shutdown and exit; a second one writes raw bytes to check that malformed
// input gets answers and never stops the server. The server is the one named
// by ORVELC_LSP (make check passes build/orvelc-lsp).
'use strict';

const assert = require('node:assert/strict');
const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { test } = require('node:test');
const { pathToFileURL } = require('node:url');
const rpc = require('vscode-jsonrpc/node');

const server = process.env.ORVELC_LSP || path.resolve(__dirname, '../../../build/orvelc-lsp');

function scratch() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'orvelc-lsp-e2e-'));
  return { dir, file: (name) => path.join(dir, name), uri: (name) => pathToFileURL(path.join(dir, name)).href };
}

function start() {
  const child = spawn(server, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  const connection = rpc.createMessageConnection(
    new rpc.StreamMessageReader(child.stdout), new rpc.StreamMessageWriter(child.stdin));
  const diagnostics = [];
  const waiting = [];
  connection.onNotification('textDocument/publishDiagnostics', (params) => {
    diagnostics.push(params);
    for (const w of waiting.splice(0)) w();
  });
  const messages = [];
  connection.onNotification('window/showMessage', (params) => messages.push(params));
  connection.listen();
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  // The next diagnostics for uri that satisfy match.
  async function diagnosticsFor(uri, match = () => true) {
    const deadline = Date.now() + 10000;
    for (;;) {
      const i = diagnostics.findIndex((d) => d.uri === uri && match(d));
      if (i >= 0) return diagnostics.splice(0, i + 1).pop();
      assert.ok(Date.now() < deadline, `no diagnostics for ${uri}`);
      await new Promise((resolve) => { waiting.push(resolve); setTimeout(resolve, 100); });
    }
  }
  return { child, connection, diagnosticsFor, messages, exited };
}

const script = [
  'unit "Guard"',                      // 0
  '{',                                 // 1
  '    include "common.h"',            // 2
  '    int alarms;',                   // 3
  '    state Idle',                    // 4
  '    {',                             // 5
  '        alarms = alarms + limit;',  // 6
  '        return Idle, 50;',          // 7
  '    }',                             // 8
  '    event OnHit()',                 // 9
  '    {',                             // 10
  '        Trace(Rand(alarms));',      // 11
  '        return 0;',                 // 12
  '    }',                             // 13
  '}',                                 // 14
  '',
].join('\n');

test('every feature over stdio, then shutdown and exit', async () => {
  const s = scratch();
  fs.mkdirSync(s.file('lib'));
  fs.writeFileSync(s.file('lib/common.h'), 'consts { limit = 3; }\n');
  fs.writeFileSync(s.file('orvelc.json'), JSON.stringify({ includeDirs: ['lib'] }));
  const { child, connection, diagnosticsFor, exited } = start();

  const init = await connection.sendRequest('initialize', {
    processId: process.pid, rootUri: pathToFileURL(s.dir).href, capabilities: {},
  });
  const caps = init.capabilities;
  assert.equal(caps.hoverProvider, true);
  assert.equal(caps.documentSymbolProvider, true);
  assert.equal(caps.foldingRangeProvider, true);
  assert.ok(caps.semanticTokensProvider.legend.tokenTypes.includes('function'));
  assert.deepEqual(caps.completionProvider.triggerCharacters, ['.']);
  assert.deepEqual(caps.signatureHelpProvider.triggerCharacters, ['(', ',']);
  assert.equal(caps.definitionProvider, true);
  assert.equal(caps.referencesProvider, true);
  assert.equal(caps.renameProvider.prepareProvider, true);
  connection.sendNotification('initialized', {});

  const uri = s.uri('guard.oc');
  connection.sendNotification('textDocument/didOpen',
    { textDocument: { uri, languageId: 'orvel', version: 1, text: script } });
  let d = await diagnosticsFor(uri);
  assert.deepEqual(d.diagnostics, [], JSON.stringify(d));
  assert.equal(d.version, 1);

  // A change that breaks the script, then one that mends it.
  connection.sendNotification('textDocument/didChange', {
    textDocument: { uri, version: 2 },
    contentChanges: [{ range: { start: { line: 11, character: 19 }, end: { line: 11, character: 25 } }, text: 'nobody' }],
  });
  d = await diagnosticsFor(uri, (p) => p.version === 2);
  assert.equal(d.diagnostics.length, 1);
  assert.equal(d.diagnostics[0].message, 'Unknown variable, function or constants');
  assert.deepEqual(d.diagnostics[0].range, { start: { line: 11, character: 19 }, end: { line: 11, character: 25 } });
  connection.sendNotification('textDocument/didChange',
    { textDocument: { uri, version: 3 }, contentChanges: [{ text: script }] });
  d = await diagnosticsFor(uri, (p) => p.version === 3);
  assert.deepEqual(d.diagnostics, []);
  connection.sendNotification('textDocument/didSave', { textDocument: { uri } });
  await diagnosticsFor(uri);

  const hover = async (line, character) =>
    (await connection.sendRequest('textDocument/hover', { textDocument: { uri }, position: { line, character } }))?.contents.value;
  assert.match(await hover(11, 15), /int Rand\(int\)\n```\n`root` function 5 · global/);
  assert.match(await hover(6, 9), /int alarms\n```\nclass variable/);
  assert.match(await hover(6, 28), /const limit = 3/);
  assert.match(await hover(9, 12), /`unit` event 0/);

  const symbols = await connection.sendRequest('textDocument/documentSymbol', { textDocument: { uri } });
  assert.equal(symbols[0].name, 'Guard');
  assert.deepEqual(symbols[0].children.map((c) => c.name), ['alarms', 'Idle', 'OnHit']);

  const tokens = await connection.sendRequest('textDocument/semanticTokens/full', { textDocument: { uri } });
  assert.equal(tokens.data.length % 5, 0);
  assert.ok(tokens.data.length >= 5 * 20);

  const folds = await connection.sendRequest('textDocument/foldingRange', { textDocument: { uri } });
  assert.deepEqual(folds.map((f) => [f.startLine, f.endLine]), [[1, 13], [5, 7], [10, 12]]);

  const at = (line, character) => ({ textDocument: { uri }, position: { line, character } });
  const range = (line, from, to) => ({ start: { line, character: from }, end: { line, character: to } });
  const labels = (list) => list.items.map((i) => i.label);

  // Completion where an operand starts, and where a statement starts.
  let items = labels(await connection.sendRequest('textDocument/completion', at(6, 17)));
  for (const name of ['alarms', 'limit', 'Rand', 'Idle']) assert.ok(items.includes(name), name);
  assert.ok(!items.includes('if'));
  items = labels(await connection.sendRequest('textDocument/completion', at(12, 8)));
  for (const name of ['if', 'return', 'alarms', 'Trace']) assert.ok(items.includes(name), name);

  const help = await connection.sendRequest('textDocument/signatureHelp', at(11, 19));
  assert.deepEqual(help.signatures.map((s) => s.label), ['int Rand(int)']);
  assert.equal(help.activeParameter, 0);

  // Definition, here and in the included file; references; rename.
  assert.deepEqual(await connection.sendRequest('textDocument/definition', at(6, 9)), { uri, range: range(3, 8, 14) });
  assert.deepEqual(await connection.sendRequest('textDocument/definition', at(6, 28)),
    { uri: pathToFileURL(s.file('lib/common.h')).href, range: range(0, 9, 14) });
  const refs = await connection.sendRequest('textDocument/references', { ...at(6, 9), context: { includeDeclaration: true } });
  assert.deepEqual(refs.map((r) => r.range), [range(3, 8, 14), range(6, 8, 14), range(6, 17, 23), range(11, 19, 25)]);
  assert.deepEqual(await connection.sendRequest('textDocument/prepareRename', at(6, 9)),
    { range: range(6, 8, 14), placeholder: 'alarms' });
  const edit = await connection.sendRequest('textDocument/rename', { ...at(6, 9), newName: 'alerts' });
  assert.deepEqual(edit.changes[uri].map((e) => [e.range.start.line, e.range.start.character, e.newText]),
    [[3, 8, 'alerts'], [6, 8, 'alerts'], [6, 17, 'alerts'], [11, 19, 'alerts']]);
  await assert.rejects(connection.sendRequest('textDocument/rename', { ...at(11, 9), newName: 'Log' }),
    (e) => e.code === -32803 && /'Trace' is a built-in function/.test(e.message));

  // Code still being written, in a second document: after a dot, and a handler's head.
  const other = s.uri('other.oc');
  connection.sendNotification('textDocument/didOpen', { textDocument: { uri: other, languageId: 'orvel', version: 1,
    text: 'unit "Other"\n{\n    unit buddy;\n    event OnHit()\n    {\n        Trace(buddy.);\n        return 0;\n    }\n    event \n' } });
  await diagnosticsFor(other);
  items = labels(await connection.sendRequest('textDocument/completion', { textDocument: { uri: other }, position: { line: 5, character: 20 } }));
  assert.ok(items.includes('GetIFF') && !items.includes('CallStopMoving') && !items.includes('buddy'));
  const heads = await connection.sendRequest('textDocument/completion', { textDocument: { uri: other }, position: { line: 8, character: 10 } });
  const lowAmmo = heads.items.find((i) => i.label === 'OnCannonLowAmmo');
  assert.equal(lowAmmo.insertText, 'OnCannonLowAmmo(int ${1:value})');
  assert.ok(!labels(heads).includes('OnHit'));
  connection.sendNotification('textDocument/didClose', { textDocument: { uri: other } });
  await diagnosticsFor(other);

  connection.sendNotification('textDocument/didClose', { textDocument: { uri } });
  d = await diagnosticsFor(uri);
  assert.deepEqual(d.diagnostics, []);

  await connection.sendRequest('shutdown');
  connection.sendNotification('exit');
  assert.equal(await exited, 0);
  assert.equal(child.exitCode, 0);
});

// Reads framed messages off a raw stream.
function rawMessages(stream) {
  let buffer = Buffer.alloc(0);
  const queue = [];
  const waiting = [];
  stream.on('data', (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (;;) {
      const end = buffer.indexOf('\r\n\r\n');
      if (end < 0) break;
      const length = Number(/Content-Length: (\d+)/i.exec(buffer.subarray(0, end).toString())[1]);
      if (buffer.length < end + 4 + length) break;
      queue.push(JSON.parse(buffer.subarray(end + 4, end + 4 + length).toString()));
      buffer = buffer.subarray(end + 4 + length);
    }
    while (waiting.length && queue.length) waiting.shift()(queue.shift());
  });
  return () => new Promise((resolve, reject) => {
    if (queue.length) return resolve(queue.shift());
    waiting.push(resolve);
    setTimeout(() => reject(new Error('no message from the server')), 10000);
  });
}

test('malformed input is answered and the server goes on', async () => {
  const child = spawn(server, [], { stdio: ['pipe', 'pipe', 'inherit'] });
  const next = rawMessages(child.stdout);
  const exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)));
  const frame = (body) => `Content-Length: ${Buffer.byteLength(body)}\r\n\r\n${body}`;
  const send = (text) => child.stdin.write(text);

  send(frame(JSON.stringify({ jsonrpc: '2.0', id: 1, method: 'textDocument/hover', params: {} })));
  assert.equal((await next()).error.code, -32002);  // before initialize
  send(frame(JSON.stringify({ jsonrpc: '2.0', id: 2, method: 'initialize', params: { capabilities: {} } })));
  assert.equal((await next()).id, 2);
  send('Content-Type: text/plain\r\n\r\n');           // no length
  assert.equal((await next()).error.code, -32700);
  send(frame('{"jsonrpc": "2.0", "id": 3, '));         // cut-off JSON
  assert.equal((await next()).error.code, -32700);
  send(frame(JSON.stringify({ jsonrpc: '2.0', id: 4, method: 'no/such/method' })));
  const unknown = await next();
  assert.deepEqual([unknown.id, unknown.error.code], [4, -32601]);
  send(frame(JSON.stringify({ jsonrpc: '2.0', method: 'no/such/notification' })));
  // A 3 MB document arrives whole and is compiled.
  const big = 'unit "Big"\n{\n' + '    int v;\n'.repeat(1) + '    // padding\n'.repeat(200000) + '}\n';
  send(frame(JSON.stringify({ jsonrpc: '2.0', method: 'textDocument/didOpen',
    params: { textDocument: { uri: pathToFileURL(path.join(os.tmpdir(), 'big.oc')).href, languageId: 'orvel', version: 1, text: big } } })));
  const published = await next();
  assert.equal(published.method, 'textDocument/publishDiagnostics');
  assert.deepEqual(published.params.diagnostics, []);
  send(frame(JSON.stringify({ jsonrpc: '2.0', id: 5, method: 'shutdown' })));
  const shut = await next();
  assert.equal(shut.id, 5, JSON.stringify(shut));
  send(frame(JSON.stringify({ jsonrpc: '2.0', method: 'exit' })));
  assert.equal(await exited, 0);
});

// Latency on a 10,000-line script: diagnostics after a change, and hover.
test('latency on a 10,000-line script', async () => {
  const s = scratch();
  const lines = ['unit "Long"', '{', '    int total;'];
  for (let i = 0; lines.length < 9990; ++i) {
    lines.push(`    function int F${i}(int a)`, '    {', '        int b;', '        b = a * 2 + total;',
      '        if (b > 10) b = b - Rand(3);', '        return b;', '    }');
  }
  lines.push('}', '');
  const text = lines.join('\n');
  const { connection, diagnosticsFor, exited } = start();
  await connection.sendRequest('initialize', { rootUri: pathToFileURL(s.dir).href, capabilities: {} });
  connection.sendNotification('initialized', {});
  const uri = s.uri('long.oc');
  connection.sendNotification('textDocument/didOpen', { textDocument: { uri, languageId: 'orvel', version: 1, text } });
  assert.deepEqual((await diagnosticsFor(uri)).diagnostics, []);
  const samples = { diagnostics: [], hover: [], completion: [] };
  for (let round = 0; round < 5; ++round) {
    const t0 = process.hrtime.bigint();
    connection.sendNotification('textDocument/didChange', {
      textDocument: { uri, version: 2 + round },
      contentChanges: [{ range: { start: { line: 2, character: 8 }, end: { line: 2, character: 13 } }, text: 'total' }],
    });
    await diagnosticsFor(uri, (p) => p.version === 2 + round);
    const t1 = process.hrtime.bigint();
    const h = await connection.sendRequest('textDocument/hover',
      { textDocument: { uri }, position: { line: 7 + 7 * round, character: 29 } });
    const t2 = process.hrtime.bigint();
    assert.ok(h && h.contents.value.includes('Rand'));
    // Where a statement starts in the last function: the parse runs to there.
    const c = await connection.sendRequest('textDocument/completion',
      { textDocument: { uri }, position: { line: lines.length - 5, character: 8 } });
    const t3 = process.hrtime.bigint();
    assert.ok(c.items.some((i) => i.label === 'total'));
    samples.diagnostics.push(Number(t1 - t0) / 1e6);
    samples.hover.push(Number(t2 - t1) / 1e6);
    samples.completion.push(Number(t3 - t2) / 1e6);
  }
  const median = (xs) => xs.slice().sort((a, b) => a - b)[Math.floor(xs.length / 2)];
  console.log(`latency, 10,000 lines: diagnostics after a change ${median(samples.diagnostics).toFixed(1)} ms, ` +
    `hover ${median(samples.hover).toFixed(1)} ms, completion ${median(samples.completion).toFixed(1)} ms (medians of 5)`);
  // Loose bounds, so a busy machine does not fail the suite; the figures are printed.
  assert.ok(median(samples.diagnostics) < 2000);
  assert.ok(median(samples.hover) < 1000);
  assert.ok(median(samples.completion) < 1000);
  await connection.sendRequest('shutdown');
  connection.sendNotification('exit');
  assert.equal(await exited, 0);
});
