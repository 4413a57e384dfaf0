#include "tests/tools/JackTestClient.h"

#include "tests/support/Waiting.h"

namespace {

void Quiet(const char*) {}

}  // namespace

LoopbackClient::LoopbackClient(const std::string& server, double recordSeconds) {
  for (auto& r : mRecorded) r.assign(static_cast<size_t>(recordSeconds * 44100), 0.0f);
  jack_set_error_function(Quiet);
  jack_set_info_function(Quiet);
  jack_status_t status;
  mClient = jack_client_open("tester", static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
                             server.c_str());
  if (!mClient) return;
  const char* send[2] = {"send_l", "send_r"};
  const char* recv[2] = {"recv_l", "recv_r"};
  for (int ch = 0; ch < 2; ++ch) {
    mSend[ch] = jack_port_register(mClient, send[ch], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    mRecv[ch] = jack_port_register(mClient, recv[ch], JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
  }
  jack_set_process_callback(mClient, &LoopbackClient::OnProcess, this);
  // The noise is made here, not captured: its ports start the latency
  // chain at zero rather than carrying back what comes round the loop.
  jack_set_latency_callback(
      mClient,
      [](jack_latency_callback_mode_t mode, void* arg) {
        auto* self = static_cast<LoopbackClient*>(arg);
        jack_latency_range_t none = {0, 0};
        for (jack_port_t* port : mode == JackCaptureLatency ? self->mSend : self->mRecv)
          jack_port_set_latency_range(port, mode, &none);
      },
      this);
  if (jack_activate(mClient) != 0) Stop();
}

LoopbackClient::~LoopbackClient() { Stop(); }

void LoopbackClient::Stop() {
  if (!mClient) return;
  jack_deactivate(mClient);
  jack_client_close(mClient);
  mClient = nullptr;
}

float LoopbackClient::SignalAt(long long frame, int channel) {
  // A hash of the frame number: noise that any frame can be checked against.
  unsigned long long x = static_cast<unsigned long long>(frame) * 2654435761ULL + channel * 0x9E3779B97F4A7C15ULL;
  x ^= x >> 29;
  x *= 0xBF58476D1CE4E5B9ULL;
  x ^= x >> 32;
  return 0.5f * (static_cast<float>(x & 0xFFFF) / 32768.0f - 1.0f);
}

int LoopbackClient::OnProcess(jack_nframes_t n, void* arg) {
  auto* self = static_cast<LoopbackClient*>(arg);
  const long long start = self->mFrames.load(std::memory_order_relaxed);
  const long long capacity = static_cast<long long>(self->mRecorded[0].size());
  for (int ch = 0; ch < 2; ++ch) {
    auto* out = static_cast<float*>(jack_port_get_buffer(self->mSend[ch], n));
    const auto* in = static_cast<const float*>(jack_port_get_buffer(self->mRecv[ch], n));
    for (jack_nframes_t i = 0; i < n; ++i) {
      out[i] = SignalAt(start + i, ch);
      if (start + i < capacity) self->mRecorded[ch][static_cast<size_t>(start + i)] = in[i];
    }
  }
  self->mFrames.store(start + n, std::memory_order_release);
  return 0;
}

bool LoopbackClient::WaitForPort(const std::string& name, double timeoutSeconds) {
  return test_support::WaitUntil([&] { return jack_port_by_name(mClient, name.c_str()) != nullptr; },
                                 timeoutSeconds);
}

bool LoopbackClient::ConnectThrough(const std::string& inL, const std::string& inR, const std::string& outL,
                                    const std::string& outR) {
  const std::string self = jack_get_client_name(mClient);
  return jack_connect(mClient, (self + ":send_l").c_str(), inL.c_str()) == 0 &&
         jack_connect(mClient, (self + ":send_r").c_str(), inR.c_str()) == 0 &&
         jack_connect(mClient, outL.c_str(), (self + ":recv_l").c_str()) == 0 &&
         jack_connect(mClient, outR.c_str(), (self + ":recv_r").c_str()) == 0;
}

bool LoopbackClient::WaitUntilRecorded(double timeoutSeconds) {
  const long long want = static_cast<long long>(mRecorded[0].size());
  return test_support::WaitUntil([&] { return mFrames.load(std::memory_order_acquire) >= want; }, timeoutSeconds);
}
