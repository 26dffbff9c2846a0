/*
 * Brastel: big-endian byte streams with compressed encodings and gzip, framed
 * TCP connections with heartbeat, idle limit, challenge/response login and
 * delayed reconnect, an event loop on its own thread, and a small server side.
 *
 * Every function is a plain C export with the prefix b2c_. Objects cross as
 * opaque handles with create/release pairs; release functions accept NULL.
 * Results are 1 for success and 0 for failure unless stated otherwise.
 */
#ifndef B2C_H
#define B2C_H

#include <stddef.h>
#include <stdint.h>

#if defined(B2C_BUILD)
#define B2C_API __attribute__((visibility("default")))
#else
#define B2C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Streams, encodings, gzip, frames and the login exchange ---- */

/* ---- Event loop, client connection and server side ---- */

#ifdef __cplusplus
}
#endif

#endif /* B2C_H */
