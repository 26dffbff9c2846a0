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

#include <stdbool.h>
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

/*
 * A stream is a growable byte buffer with separate read and write positions.
 * Every multi-byte value is big-endian. The handle holds one share of the
 * buffer; b2c_stream_ref makes another handle on the same buffer, which lives
 * until its last share is released.
 *
 * Readers take a flag `consume`: non-zero advances past the value, zero only
 * peeks. They return 1 when the value was stored and 0 when too few bytes are
 * readable (nothing is stored or consumed then). Reading up to the last byte
 * sets both positions back to the front of the buffer.
 */
typedef struct _B2CStream _B2CStream;
typedef struct _B2CConnection _B2CConnection;

/* A quote message header as it travels (8 bytes, big-endian):
 * version(1) word(2) kind(1) command(1) flag(1) request_id(2). */
typedef struct _B2CQuoteMsg {
    uint8_t version;
    uint16_t word;
    uint8_t kind;
    uint8_t command;
    uint8_t flag;
    uint16_t request_id;
    _B2CStream* payload; /* the body after the header */
} _B2CQuoteMsg;

/* Kinds of _B2CMessage. */
#define B2C_MESSAGE_AUTH 0   /* data is a _B2CAuthMsg* */
#define B2C_MESSAGE_QUOTE 1  /* data is a _B2CQuoteMsg* */
#define B2C_MESSAGE_RAW (-1) /* data is a _B2CStream*: the whole frame body */

/* One message sent with b2c_send_message or handed to a message callback.
 * A received message, its record and its stream live only for the callback;
 * keep a body with b2c_stream_ref. */
typedef struct _B2CMessage {
    _B2CConnection* connection;
    int kind;
    void* data;
} _B2CMessage;

/* Kinds of _B2CAuthMsg. */
#define B2C_AUTH_CHALLENGE 0 /* key[0..23]: random challenge */
#define B2C_AUTH_ANSWER 1    /* key: 16 big-endian 16-bit products */
#define B2C_AUTH_ANSWER_ID 2 /* answer plus id and extra */
#define B2C_AUTH_RESULT 3    /* key[0..3]: int32 result in host order */

/* One record of the login exchange (60 bytes, no pointers). */
typedef struct _B2CAuthMsg {
    int32_t kind;
    uint8_t key[32];
    uint32_t id[2];    /* a 64-bit value, low word first; kind 2 only */
    uint8_t extra[16]; /* kind 2 only */
} _B2CAuthMsg;

/* Lifetime. create makes a buffer of `capacity` bytes (NULL when it cannot);
 * release accepts NULL. */
B2C_API _B2CStream* b2c_stream_create(unsigned capacity);
B2C_API _B2CStream* b2c_stream_ref(_B2CStream* s);
B2C_API void b2c_stream_release(_B2CStream* s);

/* Fixed-width values, big-endian (floats as their IEEE 754 bits). Writers
 * return 1, or 0 when the buffer cannot grow. */
B2C_API int b2c_stream_read_int8(_B2CStream* s, int8_t* out, int consume);
B2C_API int b2c_stream_read_int16(_B2CStream* s, int16_t* out, int consume);
B2C_API int b2c_stream_read_int32(_B2CStream* s, int32_t* out, int consume);
B2C_API int b2c_stream_read_int64(_B2CStream* s, int64_t* out, int consume);
B2C_API int b2c_stream_read_float(_B2CStream* s, float* out, int consume);
B2C_API int b2c_stream_read_double(_B2CStream* s, double* out, int consume);
B2C_API int b2c_stream_append_int8(_B2CStream* s, int8_t v);
B2C_API int b2c_stream_append_int16(_B2CStream* s, int16_t v);
B2C_API int b2c_stream_append_int32(_B2CStream* s, int32_t v);
B2C_API int b2c_stream_append_int64(_B2CStream* s, int64_t v);
B2C_API int b2c_stream_append_float(_B2CStream* s, float v);
B2C_API int b2c_stream_append_double(_B2CStream* s, double v);

/* Compressed int64: 1 to 10 bytes, 7 bits each, most significant group first;
 * 0x80 marks the last byte, 0x40 of the first byte is the sign. Values with
 * |v| <= 2^62-1 take at most 9 bytes; larger magnitudes take 10. A reader
 * returns 0 and consumes nothing when the readable bytes hold no complete value.
 *
 * Compressed double: the compressed int64 of x * 10^scale_index rounded half
 * away from zero (NaN as 0, values beyond int64 saturated); scale_index is
 * 0 to 6, any other index is refused (0 returned, nothing read or written). */
B2C_API int b2c_stream_read_compress_int64(_B2CStream* s, int64_t* out, int consume);
B2C_API int b2c_stream_append_compress_int64(_B2CStream* s, int64_t v);
B2C_API int b2c_stream_read_compress_double(_B2CStream* s, double* out, int scale_index, int consume);
B2C_API int b2c_stream_append_compress_double(_B2CStream* s, double x, int scale_index);

/* Raw bytes and positions. */
B2C_API int b2c_stream_read_bytes(_B2CStream* s, void* out, unsigned n, int consume);
B2C_API int b2c_stream_append_bytes(_B2CStream* s, const void* data, unsigned n);
B2C_API int b2c_stream_consume(_B2CStream* s, unsigned n);
B2C_API const char* b2c_stream_read_pos(_B2CStream* s);
B2C_API unsigned b2c_stream_readable_size(_B2CStream* s);

/* Direct access: prepare_write(n) makes n bytes writable and returns the
 * writable count (0 when it cannot); write at write_pos, then commit(k) with
 * 0 <= k <= writable count (returns k; 0 and nothing committed otherwise).
 * Any later write may move the content. */
B2C_API int b2c_stream_prepare_write(_B2CStream* s, unsigned n);
B2C_API char* b2c_stream_write_pos(_B2CStream* s);
B2C_API unsigned b2c_stream_writeable_size(_B2CStream* s);
B2C_API int b2c_stream_commit(_B2CStream* s, int n);

/* Compression with zlib. The decompressors take gzip or zlib data, the
 * compressors write gzip. All readable bytes of `in` are used and not
 * consumed; the result is appended to `out`. Result: 1 on success; 0 or a
 * negative zlib code on failure (truncated or corrupt input, more than
 * 256 MiB of output), with nothing appended to `out`. */
B2C_API bool b2c_stream_is_gzip(_B2CStream* s, unsigned offset);
B2C_API int b2c_stream_gzip_decompress(_B2CStream* in, _B2CStream* out);
B2C_API int b2c_stream_gzip_view_decompress(const void* data, unsigned len, _B2CStream* out);
B2C_API int b2c_stream_gzip_compress(_B2CStream* in, _B2CStream* out);
B2C_API int b2c_stream_gzip_view_compress(const void* data, unsigned len, _B2CStream* out);

/* Consumes the 8-byte quote header of `s` into `out` and sets out->payload
 * to `s` itself (no new share). 0 when fewer than 8 bytes are readable. */
B2C_API int b2c_stream_decode_quote_msg(_B2CStream* s, _B2CQuoteMsg* out);

/* Frames the message and queues it on msg->connection: 0 (nothing queued)
 * when the connection is not open, when a raw stream has no readable byte,
 * or when the body would pass 64 MiB. Callable from any thread; `msg` and its
 * record may be reused at once, the payload stream must not change afterwards. */
B2C_API int b2c_send_message(const _B2CMessage* msg);

/* The login exchange: a 24-byte random challenge, answered by the 16 byte
 * products of key material (secret, padded with challenge bytes 16..) and the
 * challenge. This is a weak exchange kept as it is for the peers that use it:
 * it hides neither the secret nor the session from an observer. */
B2C_API void b2c_auth_msg_gen_key(_B2CAuthMsg* out);
B2C_API int b2c_auth_msg_encrypt(const _B2CAuthMsg* challenge, _B2CAuthMsg* answer, const char* secret, unsigned len);
B2C_API bool b2c_auth_msg_verify(const _B2CAuthMsg* challenge, const _B2CAuthMsg* answer, const char* secret,
                                 unsigned len);

/* ---- Event loop, client connection and server side ---- */

/*
 * An event object owns one event loop. Every connection and server made on it
 * does its socket, timer and callback work on the thread that runs that loop,
 * one callback at a time. Callbacks are a plain function pointer plus one user
 * pointer, which the callback receives first; their int results are ignored.
 * What a callback receives (message record, login record, stream) lives only
 * for the call.
 * Releases and b2c_server_stop from another thread never wait out a callback that stays under way.
 */
typedef struct _B2CEvent _B2CEvent;
typedef struct _B2CServer _B2CServer;

/* Error codes that the library itself reports to error callbacks (other codes
 * are the system's error numbers, with their texts). */
#define B2C_ERROR_TIMED_OUT 138     /* no completed traffic for longer than the idle limit */
#define B2C_ERROR_BAD_INPUT (-1000) /* the peer sent bytes that are not a valid frame */
#define B2C_ERROR_CALLBACK (-1001)  /* a callback threw, or a needed callback is not set */

B2C_API _B2CEvent* b2c_event_create(void);
/* threaded != 0: starts the loop on a new thread and returns that thread's id
 * (0 when refused: a loop thread still runs, or called on the loop thread).
 * threaded == 0: runs the loop on the calling thread until b2c_event_stop. */
B2C_API int b2c_event_run(_B2CEvent* event, int threaded);
/* Stops the loop and joins the loop thread (not when called on it). */
B2C_API void b2c_event_stop(_B2CEvent* event);
/* Calls fn(user) on the loop: at once when called there, else queued. */
B2C_API int b2c_event_run_in_loop(_B2CEvent* event, int (*fn)(intptr_t user), intptr_t user);
/* Stops the loop, joins its thread and drops the handle; queued work is
 * destroyed unrun. Release connections and servers made on it first. NULL is ignored. */
B2C_API void b2c_event_release(_B2CEvent* event);

/*
 * A connection: framed TCP with a challenge/response login (the server speaks
 * first), a heartbeat every 5 s and a close after more than 30 s without
 * completed traffic. on_connection is called when the connection opened and
 * when it closed or failed to open; tell them apart with b2c_connection_is_open.
 * Set on_connection and on_message before connecting; on_error defaults to a
 * printer on standard output, which prints an error repeated at every
 * reconnect once and then its count once a minute. Frames sent after the
 * connection opened but before this side's login record went out are held
 * back and follow it; heartbeats and the idle limit start with that record.
 */
B2C_API _B2CConnection* b2c_connection_create(_B2CEvent* event);
/* Closes the connection without calling back and frees the handle; no callback
 * of it starts once this returned. NULL is ignored. */
B2C_API void b2c_connection_release(_B2CConnection* conn);
/* Cancels a pending delayed connect, closes an open connection, then resolves
 * and connects on the loop. Returns 1 when started, 0 on a bad argument. */
B2C_API int b2c_connection_connect(_B2CConnection* conn, const char* host, uint16_t port);
/* Connects after delay_ms milliseconds; nothing when a delayed connect is
 * already pending. Returns 1 when armed, 0 otherwise. */
B2C_API int b2c_connection_delay_connect(_B2CConnection* conn, const char* host, uint16_t port, int delay_ms);
/* Closes on the loop thread (any thread). Queued frames are dropped. */
B2C_API int b2c_connection_close(_B2CConnection* conn);
B2C_API int b2c_connection_is_open(_B2CConnection* conn);
B2C_API void b2c_connection_on_message(_B2CConnection* conn, int (*fn)(void* user, _B2CMessage* msg), void* user);
B2C_API void b2c_connection_on_error(_B2CConnection* conn,
                                     int (*fn)(void* user, _B2CConnection* conn, const char* text, int code),
                                     void* user);
B2C_API void b2c_connection_on_connection(_B2CConnection* conn, int (*fn)(void* user, _B2CConnection* conn),
                                          void* user);
/* A word kept for the caller (wide enough for an address). */
B2C_API intptr_t b2c_connection_set_ud(_B2CConnection* conn, intptr_t ud);
B2C_API intptr_t b2c_connection_get_ud(_B2CConnection* conn);

/*
 * A server: listens on a numeric IPv4 or IPv6 address, accepts connections
 * whose first frame must be a login answer, supervises them every 8 s
 * (heartbeats, the idle limit) and reports through three callbacks, set before
 * b2c_server_start. on_connection is called when a connection was accepted
 * (open) and when it closed; the user sends the challenge on the first call and
 * the result after verifying the answer, and releases the connection handle
 * after the second.
 */
B2C_API _B2CServer* b2c_server_create(_B2CEvent* event);
/* true when listening (also when it already was); false on a bad address,
 * a port outside 0..65535, or a failed bind or listen (nothing stays open). */
B2C_API bool b2c_server_start(_B2CServer* srv, const char* address, int port);
/* Stops accepting; accepted connections keep working. */
B2C_API void b2c_server_stop(_B2CServer* srv);
/* Stops accepting and closes the accepted connections without calling back;
 * handles of connections already reported open stay the caller's to release. */
B2C_API void b2c_server_release(_B2CServer* srv);
B2C_API void b2c_server_on_connection(_B2CServer* srv, int (*fn)(void* user, _B2CServer* srv, _B2CConnection* conn),
                                      void* user);
B2C_API void b2c_server_on_error(_B2CServer* srv,
                                 int (*fn)(void* user, _B2CServer* srv, _B2CConnection* conn, const char* text,
                                           int code),
                                 void* user);
B2C_API void b2c_server_on_message(_B2CServer* srv, int (*fn)(void* user, _B2CMessage* msg), void* user);

#ifdef __cplusplus
}
#endif

#endif /* B2C_H */
