// The simulated meter lives in this folder.
