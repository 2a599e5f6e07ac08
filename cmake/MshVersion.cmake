# The version of mshtool and of the packages built from this tree; both projects (the native
# one and the Windows one in windows/) take it from here.
set(MSH_VERSION 1.0.0)
