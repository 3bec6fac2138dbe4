#include "app/App.h"

// The update server is part of the program; the build sets it (empty: no update check).
#ifndef HOPPLIX_UPDATE_HOST
#define HOPPLIX_UPDATE_HOST ""
#endif
// The key that must have signed every update (empty: none), and the certificate authorities
// the server's certificate is checked against (empty: the system's).
#ifndef HOPPLIX_UPDATE_PUBKEY
#define HOPPLIX_UPDATE_PUBKEY ""
#endif
#ifndef HOPPLIX_UPDATE_CA_FILE
#define HOPPLIX_UPDATE_CA_FILE ""
#endif

int main(int argc, char** argv)
{
    return hopplix::runApplication(argc, argv, HOPPLIX_UPDATE_HOST, {HOPPLIX_UPDATE_PUBKEY, HOPPLIX_UPDATE_CA_FILE});
}
