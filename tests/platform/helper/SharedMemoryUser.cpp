// A second process using the shared-memory block: it opens the block named by
// KEST2D_SHM_NAME, writes 'k' into its first byte and answers "o" on standard
// output; a "c" on standard input closes the block (answered with "c"), and the
// end of input ends the program.
#include <unistd.h>

#include "platform/KesSharedMemory.h"

int main() {
    kest2d::platform::KesSharedMemory block;
    if (!block.Create("KesShareMemory", 4096)) return 1;
    char* view = static_cast<char*>(block.MapView());
    if (!view) return 2;
    view[0] = 'k';
    block.UnmapView(view);
    if (write(1, "o", 1) != 1) return 3;
    char command = 0;
    while (read(0, &command, 1) == 1) {
        if (command == 'c') {
            block.Close();
            if (write(1, "c", 1) != 1) return 3;
        }
    }
    return 0;
}
