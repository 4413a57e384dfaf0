#include "tools/corvane/JackSession.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "plugin/Corvane.h"

namespace {

const char* const kInputNames[2] = {"in_l", "in_r"};
const char* const kOutputNames[2] = {"out_l", "out_r"};
const char* const kPartNames[4] = {"transient_l", "transient_r", "residual_l", "residual_r"};

// The first two physical ports of a kind (one repeated on a mono device).
std::vector<std::string> PhysicalPorts(jack_client_t* client, unsigned long flags) {
  std::vector<std::string> names;
  if (const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | flags)) {
    for (int i = 0; ports[i] && i < 2; ++i) names.emplace_back(ports[i]);
    jack_free(ports);
  }
  if (names.size() == 1) names.push_back(names[0]);
  return names;
}

void Quiet(const char*) {}
void PrintJackError(const char* message) { std::fprintf(stderr, "corvane: JACK: %s\n", message); }

}  // namespace

JackSession::~JackSession() { Close(); }

JackSession::OpenResult JackSession::Open(const std::string& clientName, std::string* error) {
  Close();
  // The library reports a missing server at length on its own; we say it
  // once, our way. Once connected, its errors are worth showing.
  jack_set_error_function(Quiet);
  jack_set_info_function(Quiet);
  jack_status_t status = {};
  mClient = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
  if (mClient) {
    jack_set_error_function(PrintJackError);
    return OpenResult::kOk;
  }
  if (status & JackServerFailed) {
    *error = "no JACK server is running";
    return OpenResult::kNoServer;
  }
  if (status & JackInvalidOption) *error = "the JACK client name \"" + clientName + "\" is not valid";
  else if (status & JackNameNotUnique) *error = "a JACK client named \"" + clientName + "\" is already running";
  else {
    char text[64];
    std::snprintf(text, sizeof(text), "the JACK server refused the client (status 0x%x)", static_cast<unsigned>(status));
    *error = text;
  }
  return OpenResult::kFailed;
}

int JackSession::SampleRate() const { return mClient ? static_cast<int>(jack_get_sample_rate(mClient)) : 0; }

std::string JackSession::ClientName() const { return mClient ? jack_get_client_name(mClient) : ""; }

bool JackSession::Start(AUHost* unit, LoopingFile* file, std::atomic<bool>* stopOnShutdown, std::string* error,
                        const Corvane* parts) {
  if (!mClient || !unit || unit->Channels() != 2) {
    *error = "the JACK client is not open";
    return false;
  }
  mUnit = unit;
  mFile = file;
  mParts = parts;
  mStopOnShutdown = stopOnShutdown;
  mLatency = static_cast<jack_nframes_t>(std::max(0, unit->LatencySamples()));
  if (file)
    for (auto& buffer : mFileBuffer) buffer.assign(unit->MaxFrames(), 0.0f);
  if (!RegisterPorts(error)) return false;
  jack_set_process_callback(mClient, &JackSession::OnProcess, this);
  jack_set_latency_callback(mClient, &JackSession::OnLatency, this);
  jack_on_shutdown(mClient, &JackSession::OnShutdown, this);
  if (jack_activate(mClient) != 0) {
    *error = "the JACK server would not start the client";
    return false;
  }
  return true;
}

bool JackSession::RegisterPorts(std::string* error) {
  for (int ch = 0; ch < 2; ++ch) {
    mIn[ch] = jack_port_register(mClient, kInputNames[ch], JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    mOut[ch] = jack_port_register(mClient, kOutputNames[ch], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (!mIn[ch] || !mOut[ch]) {
      *error = "cannot register the JACK ports";
      return false;
    }
  }
  for (int m = 0; m < 4 && mParts; ++m) {
    mPartOut[m] = jack_port_register(mClient, kPartNames[m], JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
    if (!mPartOut[m]) {
      *error = "cannot register the JACK ports of the parts";
      return false;
    }
  }
  return true;
}

bool JackSession::ConnectToSystem(std::string* report, std::string* error) {
  const std::vector<std::string> capture = PhysicalPorts(mClient, JackPortIsOutput);
  const std::vector<std::string> playback = PhysicalPorts(mClient, JackPortIsInput);
  if (capture.empty() && playback.empty()) {
    *error = "the JACK server has no physical ports to connect to";
    return false;
  }
  report->clear();
  for (size_t ch = 0; ch < capture.size(); ++ch) {
    const char* ours = jack_port_name(mIn[ch]);
    if (jack_connect(mClient, capture[ch].c_str(), ours) == 0) *report += capture[ch] + " -> " + ours + "\n";
  }
  for (size_t ch = 0; ch < playback.size(); ++ch) {
    const char* ours = jack_port_name(mOut[ch]);
    if (jack_connect(mClient, ours, playback[ch].c_str()) == 0) *report += std::string(ours) + " -> " + playback[ch] + "\n";
  }
  return true;
}

void JackSession::Close() {
  if (!mClient) return;
  // After a server shutdown the client is dead but its handle still has to
  // be closed; deactivating first makes sure no process callback is running.
  if (!mServerGone.load()) jack_deactivate(mClient);
  jack_client_close(mClient);
  mClient = nullptr;
  mIn[0] = mIn[1] = mOut[0] = mOut[1] = nullptr;
  for (auto& port : mPartOut) port = nullptr;
}

int JackSession::OnProcess(jack_nframes_t nFrames, void* arg) {
  static_cast<JackSession*>(arg)->Process(nFrames);
  return 0;
}

void JackSession::Process(jack_nframes_t nFrames) {
  float* in[2];
  float* out[2];
  float* parts[4] = {};
  for (int ch = 0; ch < 2; ++ch) {
    in[ch] = static_cast<float*>(jack_port_get_buffer(mIn[ch], nFrames));
    out[ch] = static_cast<float*>(jack_port_get_buffer(mOut[ch], nFrames));
  }
  for (int m = 0; m < 4; ++m)
    if (mPartOut[m]) parts[m] = static_cast<float*>(jack_port_get_buffer(mPartOut[m], nFrames));
  // A server period longer than the unit's largest block is rendered in
  // pieces; the unit's time line runs on unbroken.
  const jack_nframes_t most = static_cast<jack_nframes_t>(mUnit->MaxFrames());
  for (jack_nframes_t done = 0; done < nFrames;) {
    const jack_nframes_t n = std::min(most, nFrames - done);
    const float* source[2] = {in[0] + done, in[1] + done};
    if (mFile) {
      mFile->Read(mFileBuffer[0].data(), mFileBuffer[1].data(), static_cast<int>(n));
      source[0] = mFileBuffer[0].data();
      source[1] = mFileBuffer[1].data();
    }
    float* target[2] = {out[0] + done, out[1] + done};
    const bool rendered = mUnit->Render(source, target, static_cast<int>(n)) == noErr;
    if (!rendered) {
      std::memset(target[0], 0, n * sizeof(float));
      std::memset(target[1], 0, n * sizeof(float));
    }
    if (mParts) {
      float* const partTargets[4] = {parts[0] + done, parts[1] + done, parts[2] + done, parts[3] + done};
      CopyParts(partTargets, n, rendered);
    }
    done += n;
  }
}

// The render just made on this thread left its parts in the plug-in's kept
// buffers; each becomes a port's samples as the unit's outputs become the
// mix's (single precision).
void JackSession::CopyParts(float* const* target, jack_nframes_t n, bool rendered) {
  for (int m = 0; m < 4; ++m) {
    const double* part = rendered ? mParts->KeptPart(m) : nullptr;
    if (!part) {
      std::memset(target[m], 0, n * sizeof(float));
      continue;
    }
    for (jack_nframes_t t = 0; t < n; ++t) target[m][t] = static_cast<float>(part[t]);
  }
}

void JackSession::OnLatency(jack_latency_callback_mode_t mode, void* arg) {
  static_cast<JackSession*>(arg)->ReportLatency(mode);
}

// Capture latency flows downstream (our outputs, the parts' too, are later
// than our inputs by the unit's latency); playback latency flows upstream
// (our inputs are that much further from the speakers than the outputs of
// their channel: the widest range over the mix and the parts).
void JackSession::ReportLatency(jack_latency_callback_mode_t mode) {
  for (int ch = 0; ch < 2; ++ch) {
    jack_port_t* outs[3] = {mOut[ch], mPartOut[ch], mPartOut[2 + ch]};
    if (mode == JackCaptureLatency) {
      jack_latency_range_t range;
      jack_port_get_latency_range(mIn[ch], mode, &range);
      range.min += mLatency;
      range.max += mLatency;
      for (jack_port_t* out : outs)
        if (out) jack_port_set_latency_range(out, mode, &range);
      continue;
    }
    jack_latency_range_t range;
    jack_port_get_latency_range(mOut[ch], mode, &range);
    for (jack_port_t* out : outs) {
      if (!out) continue;
      jack_latency_range_t other;
      jack_port_get_latency_range(out, mode, &other);
      range.min = std::min(range.min, other.min);
      range.max = std::max(range.max, other.max);
    }
    range.min += mLatency;
    range.max += mLatency;
    jack_port_set_latency_range(mIn[ch], mode, &range);
  }
}

void JackSession::OnShutdown(void* arg) {
  auto* self = static_cast<JackSession*>(arg);
  self->mServerGone.store(true);
  if (self->mStopOnShutdown) self->mStopOnShutdown->store(true);
}
