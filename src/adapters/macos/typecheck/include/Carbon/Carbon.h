#pragma once
// For the Linux type check only: the declarations are in apple_shim.h, which the check
// includes before every file.
