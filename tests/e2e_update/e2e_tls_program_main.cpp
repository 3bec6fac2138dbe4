#include "app/App.h"
#include "updater/TestKeys.h"

// The program as shipped, built for the end-to-end test's https server on the loopback port,
// trusting the test's own certificate authority and signing key.
int main(int argc, char** argv)
{
    return hopplix::runApplication(argc, argv, "https://localhost:" HOPPLIX_E2E_PORT_TEXT,
                                   {std::string(hopplix::test::kTestPublicKey), HOPPLIX_E2E_CA_FILE});
}
