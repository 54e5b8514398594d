#pragma once

namespace nebu::platform {

// Settings of the process that make large runs cheaper; called at the start
// of each program, before any other thread starts, since both change what
// the whole process shares.
//
// With TZ unset, the C library looks at /etc/localtime again on every
// local-time conversion, and archive readers convert the time of every entry
// they read: a large archive costs hundreds of thousands of file lookups.
// Naming the same zone file lets the library read it once.
//
// The soft limit of open files is raised to 4,096 where the hard limit
// allows: folders are held open while their files are read, as many as a
// quarter of that limit allows. Nothing here waits on descriptors with
// select(), which the low soft limit exists to protect.
void PrepareProcess();

}  // namespace nebu::platform
