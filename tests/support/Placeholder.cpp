// Shared helpers of the Wine tests live in this folder.
