#ifndef QUILLET_APP_STANDARDSTREAMS_H
#define QUILLET_APP_STANDARDSTREAMS_H

// Occupies each of the standard descriptors 0, 1 and 2 that the process was
// started without, before anything else may open a file: otherwise the
// driver's connection socket takes the free number, and the CSV or a message
// would be written into the connection, or the parameters read from it. A
// closed standard input then reads as end of input, a closed standard output
// fails every write (the CSV's is reported), and the messages meant for a
// closed standard error are dropped. On Windows a socket never becomes a
// standard stream, and nothing is done.
void OccupyClosedStandardStreams();

#endif
