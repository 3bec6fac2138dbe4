#include "app/ui/App.h"

int main(int argc, char** argv)
{
    return hopplix::runApplication(argc, argv);
}
