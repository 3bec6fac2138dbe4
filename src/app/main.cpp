#include "app/App.h"

// The update server is part of the program; the build sets it (empty: no update check).
#ifndef HOPPLIX_UPDATE_HOST
#define HOPPLIX_UPDATE_HOST ""
#endif

int main(int argc, char** argv)
{
    return hopplix::runApplication(argc, argv, HOPPLIX_UPDATE_HOST);
}
