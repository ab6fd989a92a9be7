#pragma once
// One step of a message loop. A wait that must keep the user interface alive is handed one at
// construction rather than reaching for the application object.
class TMessagePump {
public:
  virtual ~TMessagePump() = default;
  // Dispatches every pending message and returns when the queue is empty.
  virtual void ProcessMessages() = 0;
};
