#!/usr/bin/env python3
"""portkit_bplus_host on its pty: a terminal written here uploads a file, and
the host saves it and exits 0; one that sends noise makes it exit 1."""
import os
import select
import subprocess
import sys
import tempfile
import tty


def checksum(data):
    total = 0
    for byte in data:
        total <<= 1
        if total > 255:
            total = (total & 255) + 1
        total += byte
        if total > 255:
            total = (total & 255) + 1
    return total


def quote(byte, every_control):
    if byte < 0x20 and (every_control or byte in (0x03, 0x05, 0x10, 0x11, 0x13, 0x15)):
        return bytes([0x10, byte + 0x40])
    if 0x80 <= byte < 0xA0 and every_control:
        return bytes([0x10, byte - 0x20])
    return bytes([byte])


def packet(sequence, data, every_control=False):
    digit = ord('0') + sequence
    body = b''.join(quote(b, every_control) for b in data)
    return b'\x10B' + bytes([digit]) + body + b'\x03' + quote(checksum(bytes([digit]) + data + b'\x03'), True)


def read_some(fd, wait=2.0):
    got = b''
    while select.select([fd], [], [], wait)[0]:
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        got += chunk
        wait = 0.2
    return got


def run(host, after_t_packet):
    saved = tempfile.NamedTemporaryFile(delete=False)
    saved.close()
    process = subprocess.Popen([host, '--upload', 'UP.TXT', '--save', saved.name, '--timeout', '3000'],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    path = process.stdout.readline().decode().strip()
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    assert read_some(fd) == b'\x05', 'no ENQ'
    os.write(fd, b'\x10++\x100')
    assert read_some(fd).startswith(b'\x10B1+'), 'no + packet'
    parameters = bytes([ord('+'), 1, 1, 8, 0, 1, 0, 0x14, 0, 0xD4, 0, 0, 0, 0, 0, 0, 0, 0])
    os.write(fd, b'\x101' + packet(2, parameters, True))
    assert read_some(fd) == b'\x102\x10B3TUBUP.TXT\x03\xdd', 'no T packet'
    os.write(fd, b'\x103' + after_t_packet)
    read_some(fd)
    os.close(fd)
    _, errors = process.communicate(timeout=10)
    with open(saved.name, 'rb') as file:
        content = file.read()
    os.unlink(saved.name)
    return process.returncode, content, errors.decode()


def main():
    host = sys.argv[1]
    status, content, errors = run(host, packet(4, b'Nhello \x03\x91 world') + packet(5, b'TC '))
    assert status == 0, errors
    assert content == b'hello \x03\x91 world', content
    status, _, errors = run(host, b'noise')
    assert status == 1 and 'stray byte 0x6E' in errors, errors
    print('2 passed, 0 failed')


if __name__ == '__main__':
    main()
