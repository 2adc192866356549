// The deployment the program was built for. Fixed at build time; nothing is read at run
// time. One build of the program has exactly one of these.
#pragma once

// The server's host name (and port) followed by its base path: no scheme, no trailing slash.
// Every URL is "https://" + server_base + "/" + a fixed path.
extern const char server_base[];

// The PEM certificate(s) the server's chain must lead to. Empty: the system's trust store.
extern const unsigned char trust_anchor_pem[];
extern const unsigned long long trust_anchor_pem_size;
