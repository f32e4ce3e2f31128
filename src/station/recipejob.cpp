#include "station/recipejob.h"

#include "recipe/recipe.h"

namespace station {

SharedJob jobFromPlan(const recipe::Plan& plan) {
    // The workers only read the plan; one shared copy serves every port.
    auto shared = std::make_shared<const recipe::Plan>(plan);
    auto job = std::make_shared<Job>();
    job->name = plan.name;
    job->path = plan.path;
    job->sha256 = plan.sha256;
    for (const recipe::FileDigest& f : plan.files)
        job->files.append({f.entry, f.path, f.sha256});
    for (int i = 0; i < plan.steps.size(); ++i) {
        const recipe::Step& step = plan.steps[i];
        const QString title =
            step.detail.isEmpty() ? step.title : step.title + QLatin1Char(' ') + step.detail;
        job->steps.append(
            {title, step.bytes,
             [shared, i](CommandExchange& exchange, const Progress& progress, QString* failure) {
                 recipe::StepRun run = recipe::runPlanStep(*shared, i, exchange, progress);
                 if (failure) *failure = run.failure;
                 return run.result;
             }});
    }
    return job;
}

} // namespace station
