#pragma once
// QA (04xx), part of the dictation operations family: scores and reviews, their counts and
// averages, the review lists, the grading and pending-reason criteria, and per dictation its QA
// grading document (uploaded and downloaded) and its pending reasons.
#include "simulator/servlets/servlet_family.hpp"

namespace vz::simulator {

HttpReply ServeQA(ServletContext& context, Institution& institution, ServletCall& call);

}  // namespace vz::simulator
