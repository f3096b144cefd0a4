#!/usr/bin/env python3
"""A slow, distant network link in front of one TCP port on 127.0.0.1, for
benchmarks on a kernel without netem: a TCP relay that carries every
connection's bytes over one shared line of a given rate, each way with half
the round-trip time of delay.

    delay_line.py --to PORT --mbit RATE --rtt-ms RTT --port-file FILE
                  --connections FILE --lifetime SECONDS

Listens on a free port of 127.0.0.1 and, once listening, writes its number to
--port-file. Each accepted connection is relayed to 127.0.0.1:PORT and gets a
line "NUMBER SECONDS" (its count and its time since the start) appended to
--connections, written before any of its bytes are carried. The relay stops
after --lifetime seconds.

What a client sees, as over a real link of that rate and round trip:
- bytes of all connections in both directions share the line's rate, IP and
  TCP headers included, taking turns in the order they arrive;
- bytes arrive half a round trip after they left the line;
- a new connection's first bytes wait one round trip more: the kernel
  completes the loopback handshake at once, a real one costs a round trip.
TCP's own slow start and losses are not reproduced.
"""
import argparse
import asyncio
import math
import os
import socket

# Read at most this much at a time: one turn on the line.
CHUNK = 16384
# A 1500-byte MTU carries 1448 bytes of payload under 52 bytes of IPv4 and TCP
# headers with timestamps.
SEGMENT_PAYLOAD = 1448
SEGMENT_HEADERS = 52


class Line:
    """The line every connection shares, both directions: bytes leave it one
    after the other at its rate, in the order they were handed over."""

    def __init__(self, mbit):
        self.bytes_per_second = mbit * 1e6 / 8
        self.chunk_time = CHUNK / self.bytes_per_second
        self.free_at = 0.0

    def send(self, size, now):
        """The time the last of `size` payload bytes handed over at `now` leaves the line."""
        wire = size + SEGMENT_HEADERS * math.ceil(size / SEGMENT_PAYLOAD)
        self.free_at = max(self.free_at, now) + wire / self.bytes_per_second
        return self.free_at


async def sleep_until(when):
    await asyncio.sleep(max(0.0, when - asyncio.get_running_loop().time()))


async def carry(reader, writer, line, one_way, opens_at):
    """One direction of a connection: read, take a turn on the line, write one way's delay later."""
    loop = asyncio.get_running_loop()
    await sleep_until(opens_at)
    while data := await reader.read(CHUNK):
        leaves = line.send(len(data), loop.time())
        loop.call_at(leaves + one_way, writer.write, data)
        # The next chunk queues up a chunk's time before this one has left: a
        # relay woken a little late must not leave the line idle meanwhile.
        await sleep_until(leaves - line.chunk_time)
        # A receiver that stops reading holds this direction, and TCP pushes back on the sender.
        await writer.drain()
    # The end of the stream follows the last bytes, as a FIN does.
    await sleep_until(loop.time() + one_way + 0.001)
    writer.write_eof()


def no_delay(writer):
    # Small requests and answers go out at once, as the link's delay is the only one wanted.
    writer.get_extra_info("socket").setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


class Relay:
    def __init__(self, target, mbit, rtt_ms, connections):
        self.target = target
        self.line = Line(mbit)
        self.round_trip = rtt_ms / 1000
        self.connections = connections
        self.count = 0
        self.started = None
        # The loop holds tasks only weakly, and once a client has half-closed,
        # nothing else holds its connection while the server's last bytes are
        # on their way: the connection would be collected mid-flight.
        self.open = set()

    async def handle(self, client_reader, client_writer):
        task = asyncio.current_task()
        self.open.add(task)
        try:
            await self.relay(client_reader, client_writer)
        finally:
            self.open.discard(task)

    async def relay(self, client_reader, client_writer):
        loop = asyncio.get_running_loop()
        accepted = loop.time()
        self.count += 1
        self.connections.write(f"{self.count} {accepted - self.started:.3f}\n")
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1", self.target)
        except OSError:
            client_writer.close()
            return
        no_delay(client_writer)
        no_delay(server_writer)
        opens_at = accepted + self.round_trip
        one_way = self.round_trip / 2
        directions = [
            asyncio.create_task(carry(client_reader, server_writer, self.line, one_way, opens_at)),
            asyncio.create_task(carry(server_reader, client_writer, self.line, one_way, opens_at)),
        ]
        try:
            # Each direction ends on its own (a half-close); a reset ends both.
            await asyncio.wait(directions, return_when=asyncio.FIRST_EXCEPTION)
        finally:
            for direction in directions:
                direction.cancel()
            client_writer.close()
            server_writer.close()
        await asyncio.gather(*directions, return_exceptions=True)

    async def run(self, port_file, lifetime):
        loop = asyncio.get_running_loop()
        self.started = loop.time()
        server = await asyncio.start_server(self.handle, "127.0.0.1", 0)
        port = server.sockets[0].getsockname()[1]
        # Written whole under another name and renamed: a reader never sees half of it.
        with open(port_file + ".new", "w") as f:
            f.write(f"{port}\n")
        os.replace(port_file + ".new", port_file)
        async with server:
            await asyncio.sleep(lifetime)


def main():
    parser = argparse.ArgumentParser(description="A slow, distant link in front of a TCP port on 127.0.0.1.")
    parser.add_argument("--to", type=int, required=True, help="port of 127.0.0.1 to relay to")
    parser.add_argument("--mbit", type=float, required=True, help="the line's rate in Mbit/s, both directions together")
    parser.add_argument("--rtt-ms", type=float, required=True, help="round-trip time in milliseconds")
    parser.add_argument("--port-file", required=True, help="where to write the listening port")
    parser.add_argument("--connections", required=True, help="where to append a line per connection")
    parser.add_argument("--lifetime", type=float, required=True, help="stop after this many seconds")
    args = parser.parse_args()
    with open(args.connections, "a", buffering=1) as connections:
        relay = Relay(args.to, args.mbit, args.rtt_ms, connections)
        asyncio.run(relay.run(args.port_file, args.lifetime))


if __name__ == "__main__":
    main()
