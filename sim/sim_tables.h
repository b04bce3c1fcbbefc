// The simulator link's tables around a run: reset before the SimClient thread starts and
// cleared after it was joined, both on the main worker thread while no SimClient runs.
#pragma once

namespace skyloom {

class SimClientWork;

// Before the SimClient starts: the work's queues and batches reserved and empty, the
// connection state 0.
void gf_resetSimTables(SimClientWork& work);
void gf_resetSimTables();

// After the SimClient was joined: the work's tables and the user-aircraft reply handlers' memory
// emptied, the user object id back to its start value, the connection state 0. (The user
// aircraft itself is its owner's to clear.)
void gf_clearSimTables(SimClientWork& work);
void gf_clearSimTables();

} // namespace skyloom
