/* A C caller of the encoder library: compiled as C, it proves the public header and the
 * movable-memory header are plain C and that the entry points have C linkage. */
#include "stripe32/stripe32.h"

int Stripe32EncodeFromC(void)
{
    int32_t width = 0;
    unsigned char* bits = NULL;
    char revision[22];
    HGLOBAL handle = qxCode128Encode("AB", 2, 2, 1, &width, &bits);
    if (handle == NULL || bits == NULL)
        return -1;
    GlobalUnlock(handle);
    if (GlobalFree(handle) != NULL)
        return -2;
    if (qxGetLinearEncoderRevString(revision) != 0 || revision[21] != '\0')
        return -3;
    return width;
}
