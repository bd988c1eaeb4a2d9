// The Orvel C extension's client: starts orvelc-lsp over standard input and
// output for .oc files. The server is the one bundled in server/ or the file
// named by orvelc.serverPath; when it cannot be found or started, the user
// gets one error message saying why, and highlighting and snippets keep
// working without it. Changing the setting restarts the server.
'use strict';

const vscode = require('vscode');
const { LanguageClient, TransportKind } = require('vscode-languageclient/node');
const { findServer } = require('./server');

let client;

async function start(context) {
  const folder = vscode.workspace.workspaceFolders?.[0];
  const found = findServer({
    setting: vscode.workspace.getConfiguration('orvelc').get('serverPath', ''),
    extensionPath: context.extensionPath,
    base: folder?.uri.fsPath,
    platform: process.platform,
  });
  if (found.error) {
    vscode.window.showErrorMessage(`Orvel C: ${found.error}`);
    return;
  }
  const executable = { command: found.command, transport: TransportKind.stdio };
  client = new LanguageClient('orvelc', 'Orvel C',
    { run: executable, debug: executable },
    { documentSelector: [{ language: 'orvel' }] });
  try {
    await client.start();
  } catch (error) {
    client = undefined;
    vscode.window.showErrorMessage(
      `Orvel C: the language server ${found.command} could not be started (${error.message || error}). Check that it runs on this machine, or set orvelc.serverPath.`);
  }
}

async function stop() {
  const running = client;
  client = undefined;
  if (running) {
    await running.stop().catch(() => {});
  }
}

async function activate(context) {
  context.subscriptions.push(vscode.workspace.onDidChangeConfiguration(async (change) => {
    if (change.affectsConfiguration('orvelc.serverPath')) {
      await stop();
      await start(context);
    }
  }));
  await start(context);
}

function deactivate() {
  return stop();
}

module.exports = { activate, deactivate };
