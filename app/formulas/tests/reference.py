#!/usr/bin/env python3
# Independent computation of the expected indicator values used by
# test_programs.cpp, from the engine's documented rules (double precision).
INF = float('inf')
C = [10, 10.5, 10.2, 10.8, 11.4, 11.1, 11.9, 12.3, 12.0, 12.6, 12.2, 12.9]
H = [c + 0.4 for c in C]
L = [c - 0.5 for c in C]
n = len(C)

def window(x, i, k):
    k = max(1, int(k))
    return x[max(0, i - k + 1):i + 1]

def ma(x, N):
    N = max(1.0, N)
    return [sum(window(x, i, N)) / len(window(x, i, N)) if i >= N - 1 else INF for i in range(len(x))]

def ema(x, N):
    y = x[0]; out = []
    for v in x:
        y = ((N - 1) * y + 2 * v) / (N + 1); out.append(y)
    return out

def sma(x, N, M):
    y = x[0]; out = []
    for v in x:
        y = ((N - M) * y + v * M) / N; out.append(y)
    return out

def std(x, N):
    out = []
    for i in range(len(x)):
        if i < N - 1: out.append(INF); continue
        w = window(x, i, N); m = sum(w) / len(w)
        out.append((sum((v - m) ** 2 for v in w) / (len(w) - 1)) ** 0.5)
    return out

def div(a, b):
    if a == INF or b == INF: return INF
    if a == 0: return 0.0
    if b == 0: return INF
    return a / b

def show(name, xs):
    print(name, ', '.join('INF' if v == INF else '%.6g' % v for v in xs))

show('MA(C,2)', ma(C, 2)); show('MA(C,3)', ma(C, 3)); show('MA(C,5)', ma(C, 5))
dif = [a - b for a, b in zip(ema(C, 12), ema(C, 26))]
dea = ema(dif, 9)
show('DIF', dif); show('DEA', dea); show('MACD', [(a - b) * 2 for a, b in zip(dif, dea)])
rsv = [div(C[i] - min(window(L, i, 9)), max(window(H, i, 9)) - min(window(L, i, 9))) * 100 for i in range(n)]
K = sma(rsv, 3, 1); D = sma(K, 3, 1)
show('K', K); show('D', D); show('J', [3 * k - 2 * d for k, d in zip(K, D)])
lc = [C[0]] + C[:-1]
t1 = [max(c - p, 0) for c, p in zip(C, lc)]; t2 = [abs(c - p) for c, p in zip(C, lc)]
for N in (6, 12, 24):
    show('RSI%d' % N, [div(a, b) * 100 for a, b in zip(sma(t1, N, 1), sma(t2, N, 1))])
boll = ma(C, 3); s = std(C, 3)
show('BOLL', boll)
show('UB', [b + 2 * d if b != INF else INF for b, d in zip(boll, s)])
show('LB', [b - 2 * d if b != INF else INF for b, d in zip(boll, s)])
