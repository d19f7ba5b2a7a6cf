#!/usr/bin/env python3
"""A minimal language-server client: the yardstick for tessalsp's per-request cost.

client.py SERVER FILE COUNT: starts SERVER, initializes it, opens FILE, sends COUNT hover
requests one after another (each waits for its answer, whose result is printed as compact
JSON), then shuts the server down.
"""
import json
import os
import subprocess
import sys


def send(process, message):
    body = json.dumps(message, separators=(",", ":")).encode()
    process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
    process.stdin.flush()


def receive(process):
    length = 0
    while True:
        line = process.stdout.readline()
        if not line:
            raise EOFError("server ended")
        line = line.rstrip(b"\r\n")
        if not line:
            break
        if line.startswith(b"Content-Length:"):
            length = int(line[15:])
    return json.loads(process.stdout.read(length))


def request(process, request_id, method, params):
    send(process, {"jsonrpc": "2.0", "id": request_id, "method": method, "params": params})
    while True:
        message = receive(process)
        if message.get("id") == request_id and "method" not in message:
            return message


def main():
    server, file_name, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    process = subprocess.Popen([server], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    uri = "file://" + os.path.abspath(file_name)
    request(process, 1, "initialize", {"processId": os.getpid(), "capabilities": {}})
    send(process, {"jsonrpc": "2.0", "method": "initialized", "params": {}})
    with open(file_name, encoding="utf-8") as source:
        text = source.read()
    send(process, {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {
        "textDocument": {"uri": uri, "languageId": "cpp", "version": 1, "text": text}}})
    out = sys.stdout
    for request_id in range(2, count + 2):
        answer = request(process, request_id, "textDocument/hover", {
            "textDocument": {"uri": uri}, "position": {"line": 0, "character": 0}})
        out.write(json.dumps(answer.get("result"), separators=(",", ":")) + "\n")
    request(process, count + 2, "shutdown", {})
    send(process, {"jsonrpc": "2.0", "method": "exit", "params": {}})
    process.wait(timeout=5)


if __name__ == "__main__":
    main()
