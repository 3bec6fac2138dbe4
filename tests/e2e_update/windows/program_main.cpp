#include "app/App.h"
#include "updater/TestKeys.h"

#include <string>

// Hopplix.exe as shipped, but built for the Windows end-to-end test's own server on a loopback
// port and the test's signing key.
int main(int argc, char** argv)
{
    return hopplix::runApplication(argc, argv, "http://127.0.0.1:" HOPPLIX_E2E_PORT_TEXT,
                                   {std::string(hopplix::test::kTestPublicKey), {}});
}
