#pragma once
// For the Linux type check only: GNUstep's headers want the blocks runtime's declarations,
// which Debian ships only with another Objective-C runtime.
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif
void* _Block_copy(const void* block);
void _Block_release(const void* block);
#ifdef __cplusplus
}
#endif
