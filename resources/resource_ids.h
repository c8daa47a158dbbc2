#pragma once
/* The identifiers of kestrane.exe's resources, shared by its resource
   script and its code. Plain C: the resource compiler reads it too. */
#define KST_MAIN_ICON 1
