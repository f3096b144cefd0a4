/* Loads each DLL named on its command line by its bare name, the way the
   loader finds a program's static imports: the program's own folder first.
   The control of the planting test: a program without our restrictions. */
#include <windows.h>

int main(int argc, char** argv)
{
    int loaded = 0;
    for (int i = 1; i < argc; ++i)
        loaded += LoadLibraryA(argv[i]) != NULL;
    return loaded;
}
