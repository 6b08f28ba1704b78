// The message link: framed messages over a Unix domain stream socket.
//
// A server link listens on "<run dir>/ipml.<link number>" (run dir: KARN_RUN_LOCATION,
// else "$KARN_SCRATCH_LOCATION/run", else "/tmp"). Each connected peer gets a peer id
// that is unique in the process. A frame is a u32 length in host order followed by
// that many bytes; a frame longer than IPML_MAX_FRAME, or a connection that sends a
// truncated frame and closes, is dropped and the peer is disconnected.
#pragma once
#include <cstddef>
#include <cstdint>

struct bmPacket_t;
struct ipmlLink_t;

enum { IPML_PEER_CONNECT = 1, IPML_PEER_LEAVE = 2 };
enum { IPML_MAX_FRAME = 65536 };

typedef void (*ipmlPeerCallBack_t)(ipmlLink_t *link, int event, uint32_t peer);

// Opens a server link (server = 1) on the given link number. The peer callback
// sees connects (1) and leaves (2) once the link has been added to the dispatcher
// (dispatchAddServer). nullptr when the socket cannot be made.
ipmlLink_t *ipmlInitServerClient(int instance, uint16_t linkNumber, int server,
                                 ipmlPeerCallBack_t peerCallBack, void *arg);
int ipmlSetPeerOption(uint32_t peer, int option, int value);
// How long a send waits for a peer that takes none of its bytes before cutting it off
// (5 s; tests shorten it). 0 or less restores the default.
void ipmlSetSendStallMs(int ms);
// Sends the packet's bytes in use to the peer. Returns the bytes sent (> 0), or
// -1 when the peer is gone or the write fails. Safe to call from any thread.
int ipmlSend(uint32_t peer, bmPacket_t *packet, int flags);
// Sends frames already laid out as on the wire (each a u32 length and its bytes) in one
// write, so that a burst of messages wakes the peer once. Returns the bytes sent, or -1
// when the peer is gone, the write fails or a length word does not fit the frames.
long ipmlSendFrames(uint32_t peer, const uint8_t *frames, size_t length);
// Closes the listener and every peer; each peer that had been announced gets its leave
// event (on the calling thread) first. Not from inside the link's own callbacks.
void ipmlClose(ipmlLink_t *link);

// Path of the socket of a link number, written into out (at most outSize bytes).
int ipmlSocketPath(uint16_t linkNumber, char *out, size_t outSize);

// ---- the peer's side of a link (clients such as wsvc, the web front end, the CLI)
// Connects to a link's socket; a file descriptor, or -1.
int ipmlConnect(uint16_t linkNumber);
// Writes one frame; 0 or -1.
int ipmlWriteFrame(int fd, const void *data, uint32_t length);
// Reads one frame into buf: its length, 0 on an orderly close, -1 on error, timeout
// (timeoutMs < 0 waits without limit) or a frame larger than `capacity`.
int ipmlReadFrame(int fd, void *buf, uint32_t capacity, int timeoutMs);
