#!/usr/bin/env python3
# An independent implementation of the name scrambling block code, written from its description
# (not from the C++), that produced the golden vectors of name_scrambling_test.cpp.
M, E, D = 0xFFA008AF, 0x00010001, 0x05B4CA71

def scramble(data: bytes) -> bytes:
    n = len(data)
    top = M >> 24
    p = 1
    while p * 2 <= top:
        p *= 2
    mask = p - 1
    header = n + (data[n // 2] if n else 0) * 65536 if n < 65536 else n | 0x1000000
    out = bytearray(pow(header, E, M).to_bytes(4, 'little'))
    for at in range(0, n, 3):
        group = data[at:at + 3] + bytes(3 - len(data[at:at + 3]))
        word = (mask & out[-1 if len(out) > 4 else 0]) << 24 | int.from_bytes(group, 'big')
        out += pow(word, E, M).to_bytes(4, 'big')
    assert len(out) == 4 * ((n + 5) // 3)
    return bytes(out)

def unscramble(data: bytes) -> bytes:
    header = pow(int.from_bytes(data[:4], 'little'), D, M)
    length = header & 0xFFFFFF if header & 0x1000000 else header & 0xFFFF
    out = bytearray()
    for at in range(4, len(data), 4):
        out += (pow(int.from_bytes(data[at:at + 4], 'big'), D, M) & 0xFFFFFF).to_bytes(3, 'big')
    return bytes(out[:length])

if __name__ == '__main__':
    for text in [b'', b'A', b'alice'.ljust(32), b'Risk Desk Group'.ljust(32), bytes(range(7))]:
        s = scramble(text)
        assert unscramble(s) == text
        print(repr(text), s.hex())
