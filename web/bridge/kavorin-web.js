// kavorin-web.js: the KAVORIN_Web members for a page, through the local
// bridge that serves this file. Every member returns a Promise:
//
//   const KAVORIN = await KavorinWeb.connect();
//   const code = await KAVORIN.CreditAuth("", track, "00", "1004", "0",
//                                         line => status.textContent = line);
//
// A last argument that is a function receives the link-status lines of a
// transaction or voucher print as they come. Where the control showed a
// message box the Promise rejects with a KavorinError (code, caption, text,
// result); a refusal by the bridge (busy, bad arguments) rejects with one
// whose code is a text. One connection is one control object: its stored
// voucher values live as long as the connection.
(function (global) {
  "use strict";
  const MEMBERS = /*MEMBERS*/;
  const here = (global.document && global.document.currentScript && global.document.currentScript.src) || "";
  const defaultBase = here ? new URL(".", here).href.replace(/\/$/, "") : "http://127.0.0.1:8470";

  class KavorinError extends Error {
    constructor(error, result) {
      super(error.caption ? error.caption + ": " + error.text : error.text);
      this.name = "KavorinError";
      this.code = error.code;
      this.caption = error.caption || "";
      this.text = error.text || "";
      this.result = result;
    }
  }

  function settle(answer, resolve, reject) {
    if (answer.error) reject(new KavorinError(answer.error, answer.result));
    else resolve(answer.result);
  }

  function splitArgs(args) {
    const list = Array.prototype.slice.call(args);
    const progress = list.length && typeof list[list.length - 1] === "function" ? list.pop() : null;
    return { list: list.map(a => (typeof a === "number" ? a : String(a))), progress };
  }

  // One WebSocket: calls carry an id; progress and the result come back with it.
  function overSocket(base, options) {
    return new Promise((resolve, reject) => {
      const socket = new WebSocket(base.replace(/^http/, "ws") + "/ws");
      const pending = new Map();
      let next = 1;
      socket.onopen = () => resolve(socket);
      socket.onerror = () => reject(new KavorinError({ code: "unreachable", text: "the bridge refused or is not running" }));
      socket.onclose = () => {
        for (const call of pending.values()) call.reject(new KavorinError({ code: "closed", text: "the bridge closed the connection" }));
        pending.clear();
      };
      socket.onmessage = event => {
        const answer = JSON.parse(event.data);
        const call = pending.get(answer.id);
        if (!call) return;
        if ("progress" in answer) {
          if (call.progress) call.progress(answer.progress);
          if (options.onProgress) options.onProgress(answer.progress);
          return;
        }
        pending.delete(answer.id);
        settle(answer, call.resolve, call.reject);
      };
      socket.call = (member, args, progress) => new Promise((ok, fail) => {
        const id = next++;
        pending.set(id, { resolve: ok, reject: fail, progress });
        socket.send(JSON.stringify({ id, member, args }));
      });
    }).then(socket => ({ call: socket.call, close: () => socket.close() }));
  }

  // One HTTP POST a call; the answer is JSON lines, the last one the result.
  async function overHttp(base, options) {
    const post = async (path, body) => {
      const response = await fetch(base + path, { method: "POST", headers: { "Content-Type": "application/json" }, body: JSON.stringify(body) });
      return response;
    };
    const opened = await (await post("/session", {})).json();
    if (opened.error) throw new KavorinError(opened.error);
    const session = opened.session;
    const call = async (member, args, progress) => {
      const response = await post("/call/" + member, { session, args });
      const reader = response.body.getReader();
      const decoder = new TextDecoder();
      let text = "", last = null;
      for (;;) {
        const { done, value } = await reader.read();
        if (value) text += decoder.decode(value, { stream: true });
        let end;
        while ((end = text.indexOf("\n")) >= 0) {
          const answer = JSON.parse(text.slice(0, end));
          text = text.slice(end + 1);
          if ("progress" in answer) {
            if (progress) progress(answer.progress);
            if (options.onProgress) options.onProgress(answer.progress);
          } else last = answer;
        }
        if (done) break;
      }
      return new Promise((resolve, reject) => settle(last || { error: { code: "closed", text: "no answer" } }, resolve, reject));
    };
    return { call, close: () => {} };
  }

  async function connect(options) {
    options = options || {};
    const base = (options.base || defaultBase).replace(/\/$/, "");
    const link = await (options.transport === "http" ? overHttp(base, options) : overSocket(base, options));
    const control = { close: link.close };
    for (const [name] of MEMBERS) {
      control[name] = function () {
        const { list, progress } = splitArgs(arguments);
        return link.call(name, list, progress);
      };
    }
    return control;
  }

  global.KavorinWeb = { connect, KavorinError, members: MEMBERS.map(m => m[0]) };
})(typeof window !== "undefined" ? window : globalThis);
