#pragma once
// The tests' side of a JACK graph: a client that plays a known signal into
// two ports and records two others, stopped by the test that made it (the
// server is tests/support/DummyJackServer.h).
#include <jack/jack.h>

#include <atomic>
#include <string>
#include <vector>

// Sends white noise (seeded, so sample n is known) out of send_l/send_r and
// records recv_l/recv_r, counting frames from the client's first cycle.
class LoopbackClient {
public:
  LoopbackClient(const std::string& server, double recordSeconds);
  ~LoopbackClient();
  bool Open() const { return mClient != nullptr; }
  jack_client_t* Client() const { return mClient; }
  // True once a port of that full name exists (waits up to timeoutSeconds).
  bool WaitForPort(const std::string& name, double timeoutSeconds);
  // Connects "send_*" to the inputs and the outputs to "recv_*".
  bool ConnectThrough(const std::string& inL, const std::string& inR, const std::string& outL,
                      const std::string& outR);
  // Waits until the recording is full.
  bool WaitUntilRecorded(double timeoutSeconds);
  void Stop();

  static float SignalAt(long long frame, int channel);
  const std::vector<float>& Recorded(int channel) const { return mRecorded[channel]; }

private:
  static int OnProcess(jack_nframes_t n, void* arg);

  jack_client_t* mClient = nullptr;
  jack_port_t* mSend[2] = {};
  jack_port_t* mRecv[2] = {};
  std::vector<float> mRecorded[2];
  std::atomic<long long> mFrames{0};
};
