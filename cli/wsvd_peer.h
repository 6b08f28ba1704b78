// The CLI as the peer "cli" of wsvd's request link: wsvd asks it (type 11) to
// synchronise a configuration file it has just written, such as a policy file, and
// the CLI answers (type 12) once it has checked the file.
#pragma once
#include <string>

// Checks the configuration file `name` in `configDir`: a plain file name (no path) of
// an existing, readable regular file, and for a policy ("NAME.pol") one that reads in
// the rule language. 0 when it is, else 1 with *message saying why.
int cliCheckConfigFile(const std::string &configDir, const std::string &name, std::string *message);

// Starts the thread that keeps the connection to wsvd (reconnecting while wsvd is away
// or after it restarts) and answers its requests.
void wsvdPeerStart();
void wsvdPeerStop();  // bounded
