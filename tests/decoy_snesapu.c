/* A library with the emulator's name and entry points that is not the game's: the
   library tests lay it where the game must never look. */
void LoadSPCFile(void *image) {
    (void)image;
}
void *EmuAPU(void *buffer, unsigned count, unsigned char type) {
    (void)count;
    (void)type;
    return buffer;
}
int DecoyLoaded(void) {
    return 1;
}
