#!/usr/bin/env python3
# Test vectors for the gzip decoder, made by Python's gzip/zlib (another
# implementation), plus one dynamic block built bit by bit whose repeat code 16
# runs from the literal/length lengths into the distance lengths.
import gzip, zlib, struct, io
def gz_wrap(raw, data, flags=0, extra=b'', name=b'', comment=b''):
    h = bytes([0x1f,0x8b,8,flags]) + struct.pack('<I', 0) + bytes([0, 3])
    if flags & 4: h += struct.pack('<H', len(extra)) + extra
    if flags & 8: h += name + b'\0'
    if flags & 16: h += comment + b'\0'
    if flags & 2: h += struct.pack('<H', zlib.crc32(h) & 0xffff)
    return h + raw + struct.pack('<II', zlib.crc32(data), len(data) & 0xffffffff)
def raw_deflate(data, level=6, strategy=zlib.Z_DEFAULT_STRATEGY):
    c = zlib.compressobj(level, zlib.DEFLATED, -15, 8, strategy)
    return c.compress(data) + c.flush()

class BW:
    def __init__(s): s.out=bytearray(); s.acc=0; s.n=0
    def bits(s, v, n):
        for i in range(n):
            s.acc |= ((v>>i)&1) << s.n; s.n+=1
            if s.n==8: s.out.append(s.acc); s.acc=0; s.n=0
    def code(s, c, l):   # Huffman code, most significant bit first
        for i in range(l-1,-1,-1): s.bits((c>>i)&1,1)
    def flush(s):
        if s.n: s.out.append(s.acc); s.acc=0; s.n=0
        return bytes(s.out)
def canon(lengths):
    mx=max(lengths); bl=[0]*(mx+1)
    for l in lengths:
        if l: bl[l]+=1
    code=0; nxt=[0]*(mx+2)
    for b in range(1,mx+1):
        code=(code+bl[b-1])<<1 if b>1 else 0
        nxt[b]=code
    # standard: code = (code + bl_count[bits-1]) << 1 with bl_count[0]=0
    code=0; bl[0]=0
    for b in range(1,mx+1):
        code=(code+bl[b-1])<<1; nxt[b]=code
    out={}
    for s_,l in enumerate(lengths):
        if l: out[s_]=(nxt[l],l); nxt[l]+=1
    return out
def dynamic_repeat_block():
    lit=[0]*286; lit[97]=2; lit[256]=2; lit[257]=2; lit[285]=2
    dist=[2,2,2,2]
    # code-length symbols: (sym, extra value, extra bits)
    seq=[(18,86,7),(2,0,0),(18,127,7),(18,9,7),(2,0,0),(2,0,0),(18,16,7),(2,0,0),(16,1,2)]
    cl=[0]*19; cl[18]=1; cl[2]=2; cl[16]=2
    order=[16,17,18,0,8,7,9,6,10,5,11,4,12,3,13,2,14,1,15]
    w=BW(); w.bits(1,1); w.bits(2,2)
    w.bits(286-257,5); w.bits(4-1,5); w.bits(16-4,4)
    for i in range(16): w.bits(cl[order[i]],3)
    clc=canon(cl)
    for sym,ev,eb in seq:
        w.code(*clc[sym]); w.bits(ev,eb)
    lc=canon(lit); dc=canon(dist)
    w.code(*lc[97])
    w.code(*lc[257]); w.code(*dc[0])          # length 3, distance 1
    w.code(*lc[285]); w.code(*dc[0])          # length 258, distance 1
    w.code(*lc[256])
    return w.flush()
def fixed_then_stored(a, b):
    c = zlib.compressobj(6, zlib.DEFLATED, -15, 8, zlib.Z_FIXED)
    raw = c.compress(a) + c.flush(zlib.Z_SYNC_FLUSH)   # fixed block, empty stored block
    raw += bytes([1]) + struct.pack('<HH', len(b), len(b) ^ 0xffff) + b
    return raw

def carr(name, b):
    lines=[]
    for i in range(0,len(b),16):
        lines.append('    ' + ', '.join('0x%02x'%x for x in b[i:i+16]) + ',')
    return 'const unsigned char %s[] = {\n%s\n};\n' % (name, '\n'.join(lines))

text = ''.join('{"code":"%06d","name":"股票%d","price":%d.%02d,"vol":%d},\n' % (600000 + i * 7, i, 10 + i % 13, (i * 37) % 100, i * i * 131) for i in range(40)).encode()
vecs = {}
vecs['kStored'] = (gzip.compress(b'stored block, kept as is\n', compresslevel=0, mtime=0), b'stored block, kept as is\n')
fx = raw_deflate(b'fixed codes: abcabcabcabc', 9, zlib.Z_FIXED)
vecs['kFixed'] = (gz_wrap(fx, b'fixed codes: abcabcabcabc'), b'fixed codes: abcabcabcabc')
dy = raw_deflate(text, 9)
assert (dy[0] >> 1) & 3 == 2, 'expected a dynamic block'
vecs['kDynamic'] = (gz_wrap(dy, text), text)
vecs['kAllFlags'] = (gz_wrap(dy, text, 2|4|8|16, extra=b'XY\x02\x00ab', name=b'quote.json', comment=b'a comment'), text)
fs = fixed_then_stored(b'fixed part, ', b'stored part')
vecs['kFixedThenStored'] = (gz_wrap(fs, b'fixed part, stored part'), b'fixed part, stored part')
dr = dynamic_repeat_block()
plain = zlib.decompress(dr, -15)
assert plain == b'a'*262, plain
vecs['kDynamicRepeat'] = (gz_wrap(dr, plain), plain)
for k,(g,p) in vecs.items():
    assert gzip.decompress(g) == p, k
out = io.StringIO()
out.write('// Written by gzipvectors.py from Python\'s gzip and zlib modules; do not edit.\n#pragma once\n\n')
for k,(g,p) in vecs.items():
    out.write(carr(k, g))
    if len(p) < 100: out.write(carr(k + 'Plain', p))
    out.write('\n')
import os
open(os.path.join(os.path.dirname(os.path.abspath(__file__)), 'gzipvectors.h'),'w').write(out.getvalue())
print({k:(len(g),len(p)) for k,(g,p) in vecs.items()})
