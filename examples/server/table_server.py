#!/usr/bin/env python3
"""A minimal game server for the Kest2d sample game (examples/demo).

It speaks the engine's wire format (see docs/protocol.md): every message is a
16-bit big-endian id followed by its fields, the whole message enciphered byte
by byte, with no length prefix. The server therefore

  * sends every message in one piece (one sendall of fewer than 10000 bytes)
    and never sends a second one before the client has answered the first,
    because the engine takes each receive as exactly one message;
  * splits what the client sends by knowing the layout of each message id,
    because the client may send several messages back to back.

The exchange with the sample game:

  client -> HELLO  (1): string             the player's greeting
  client -> READY  (2): nothing            sent right after HELLO
  server -> DEAL   (3): string, cards      a greeting and 17 dealt cards
  client -> PLAY   (4): cards              the cards the player plays
  server -> PLAYED (5): string, byte       what was played, cards left

"string" is a 16-bit length and the text's bytes (GBK); "cards" is a byte
count and one byte per card value (suit in the high four bits, point in the
low four; 0x4E and 0x4F are the jokers).

Run it, then the sample game:
  python3 examples/server/table_server.py --port 5000
  ./build/kest2d '-d$examples/demo' 'port$5000'
"""
import argparse
import random
import socket
import struct
import sys

# The cipher. The engine deciphers every byte it receives with
# plain = 167 * wire + 13 (mod 256) and enciphers what it sends with the
# inverse, wire = 23 * (plain - 13) (mod 256). Both directions use the same
# pair of tables, so a server uses them exactly as the engine does.
RECEIVE_TABLE = bytes((167 * b + 13) & 0xFF for b in range(256))
SEND_TABLE = bytes((23 * (b - 13)) & 0xFF for b in range(256))
assert all(RECEIVE_TABLE[SEND_TABLE[b]] == b for b in range(256))

HELLO, READY, DEAL, PLAY, PLAYED = 1, 2, 3, 4, 5
MAX_MESSAGE = 9999  # a message of 10000 bytes or more is dropped by the client

# The fields of every message the client sends, in order.
CLIENT_LAYOUTS = {
    HELLO: ("string",),
    READY: (),
    PLAY: ("cards",),
}

TEXT = "gbk"


def decipher(data):
    return data.translate(RECEIVE_TABLE)


def encipher(data):
    return data.translate(SEND_TABLE)


class Message:
    """An outgoing message: the id, then the fields, all big-endian."""

    def __init__(self, msg_id):
        self.data = bytearray(struct.pack(">H", msg_id))

    def byte(self, value):
        self.data += struct.pack(">B", value & 0xFF)
        return self

    def short(self, value):
        self.data += struct.pack(">H", value & 0xFFFF)
        return self

    def long(self, value):
        self.data += struct.pack(">i", value)
        return self

    def string(self, text, width=None):
        raw = text.encode(TEXT)
        if width is None:  # length-prefixed
            self.short(len(raw))
            self.data += raw
        else:  # fixed width, padded with zero bytes
            self.data += raw[:width].ljust(width, b"\0")
        return self

    def cards(self, values):
        self.byte(len(values))
        for v in values:
            self.byte(v)
        return self


def read_field(data, pos, kind):
    """One field at pos: (value, new position), or None when data ends first."""
    if kind == "byte":
        return (data[pos], pos + 1) if pos + 1 <= len(data) else None
    if kind == "short":
        return (struct.unpack_from(">H", data, pos)[0], pos + 2) if pos + 2 <= len(data) else None
    if kind == "long":
        return (struct.unpack_from(">i", data, pos)[0], pos + 4) if pos + 4 <= len(data) else None
    if kind == "string":
        head = read_field(data, pos, "short")
        if head is None or head[1] + head[0] > len(data):
            return None
        n, pos = head
        return data[pos:pos + n].decode(TEXT, "replace"), pos + n
    if kind == "cards":
        head = read_field(data, pos, "byte")
        if head is None or head[1] + head[0] > len(data):
            return None
        n, pos = head
        return list(data[pos:pos + n]), pos + n
    raise ValueError(kind)


def split_messages(buffer):
    """Complete messages at the head of the deciphered buffer, and the rest.

    Raises ValueError on an id without a known layout: the stream can no
    longer be split, so the connection has to go.
    """
    messages = []
    pos = 0
    while len(buffer) - pos >= 2:
        msg_id = struct.unpack_from(">H", buffer, pos)[0]
        if msg_id not in CLIENT_LAYOUTS:
            raise ValueError("unknown message id %d" % msg_id)
        fields = []
        at = pos + 2
        for kind in CLIENT_LAYOUTS[msg_id]:
            got = read_field(buffer, at, kind)
            if got is None:
                return messages, buffer[pos:]  # wait for the rest
            fields.append(got[0])
            at = got[1]
        messages.append((msg_id, fields))
        pos = at
    return messages, buffer[pos:]


def new_deck():
    """The 54 card values: four suits of A..K, then the two jokers."""
    return [(suit << 4) | point for suit in range(4) for point in range(1, 14)] + [0x4E, 0x4F]


def card_name(value):
    points = {1: "A", 11: "J", 12: "Q", 13: "K", 14: "small joker", 15: "big joker"}
    point = value & 0x0F
    name = points.get(point, str(point))
    return name if point >= 14 else "%s of suit %d" % (name, value >> 4)


def log(text):
    print(text, flush=True)


def send(conn, message):
    data = bytes(message.data)
    if len(data) > MAX_MESSAGE:
        raise ValueError("a message must stay under 10000 bytes")
    conn.sendall(encipher(data))  # one piece: the client takes it as one message


def serve_client(conn, rng):
    deck = new_deck()
    rng.shuffle(deck)
    hand = sorted(deck[:17])
    player = "?"
    buffer = b""
    while True:
        chunk = conn.recv(65536)
        if not chunk:
            log("client left")
            return
        messages, buffer = split_messages(buffer + decipher(chunk))
        for msg_id, fields in messages:
            if msg_id == HELLO:
                player = fields[0]
                log("client says HELLO: %s" % player)
            elif msg_id == READY:
                log("client is READY; dealing %d cards" % len(hand))
                send(conn, Message(DEAL).string("欢迎来到牌桌").cards(hand))
            elif msg_id == PLAY:
                played = [c for c in fields[0] if c in hand]
                hand = [c for c in hand if c not in played]
                log("client plays %s" % ", ".join(card_name(c) for c in played))
                send(conn, Message(PLAYED).string("出牌 %d 张" % len(played)).byte(len(hand)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=5000, help="0 picks a free port")
    parser.add_argument("--once", action="store_true", help="serve one client, then exit")
    parser.add_argument("--seed", type=int, default=None, help="shuffle seed (for repeatable deals)")
    parser.add_argument("--timeout", type=float, default=60.0, help="seconds to wait for a client or a message")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as server:
        server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        server.bind((args.host, args.port))
        server.listen(1)
        server.settimeout(args.timeout)
        log("listening on %s:%d" % server.getsockname())
        while True:
            try:
                conn, peer = server.accept()
            except socket.timeout:
                log("no client came")
                return 1
            with conn:
                conn.settimeout(args.timeout)
                log("client from %s:%d" % peer)
                try:
                    serve_client(conn, rng)
                except (socket.timeout, ConnectionError, ValueError) as e:
                    log("connection closed: %s" % e)
            if args.once:
                return 0


if __name__ == "__main__":
    sys.exit(main())
